#!/usr/bin/env bash
# Builds the seed corpora of the fuzz targets from the end-to-end inputs and expected files:
#   fuzz/make_corpus.sh <corpus folder>
# makes <corpus folder>/{translation,reader,hex,replay}, emptied first. Each seed is one option
# byte (translation, reader) or an option byte and a three-byte bit length (hex), then the
# text; a replay seed is an option byte, then the PCF files of a set separated by 0x1E.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:?usage: make_corpus.sh <corpus folder>}
rm -rf "$out/translation" "$out/reader" "$out/hex" "$out/replay"
mkdir -p "$out/translation" "$out/reader" "$out/hex" "$out/replay"

byte() { printf "\\x$(printf %02x "$1")"; }
# One hex seed: mode byte, the length in three bytes (least significant first), the text.
hex_seed() {  # file mode length text
  { byte "$2"; byte $(($3 & 255)); byte $((($3 >> 8) & 255)); byte $((($3 >> 16) & 255))
    printf '%s' "$4"; } > "$1"
}

for input in "$root"/tests/e2e/*/input.svf; do
  name=$(basename "$(dirname "$input")")
  # Translation: small budget without and with -c, the default budget, a header with -c; the
  # last two write scans by the portable path (mode bit 32).
  for mode in 0 1 6 9 33 38; do
    { byte "$mode"; cat "$input"; } > "$out/translation/$name-$mode"
  done
  for mode in 0 1; do
    { byte "$mode"; cat "$input"; } > "$out/reader/$name-$mode"
  done
  # Hex: every "<scan> <length> TDI (<hex>)" of the input, with its own length.
  n=0
  while read -r length text; do
    n=$((n + 1))
    mode=0
    if [ "$length" -ge 1024 ]; then mode=8; fi
    hex_seed "$out/hex/$name-$n" "$mode" $((length & 0xFFFFF)) "$text"
  done < <(tr '\n' ' ' < "$input" |
             grep -oE '[SHT][DI]R +[0-9]+ +TDI *\([0-9A-Fa-f[:space:]]*\)' |
             sed -E 's/^[A-Z]+ +([0-9]+) +TDI *\((.*)\)$/\1 \2/' || true)
done

# Replay: the expected PCF files of each case, as one set, with each option byte (listing,
# summary, vector lookup, waveform; with 4 added, the round trip through SVF). Sets above 64 KiB
# are passed over: the fuzzer's inputs are smaller.
for files in "$root"/tests/e2e/*/expected/files; do
  name=$(basename "$(dirname "$(dirname "$files")")")
  pcfs=$(cd "$files" && ls -1 | grep -E '[0-9]+\.pcf$' | sort -V || true)
  [ -n "$pcfs" ] || continue
  [ "$(cd "$files" && cat $pcfs | wc -c)" -le 65536 ] || continue
  for mode in 0 1 2 3 4; do
    { byte "$mode"
      first=1
      for pcf in $pcfs; do
        [ "$first" = 1 ] || printf '\x1e'
        first=0
        cat "$files/$pcf"
      done; } > "$out/replay/$name-$mode"
  done
done

# Hex corner cases: blanks, leading zeros, a length of zero, a text too long, the largest
# lengths over zeros.
hex_seed "$out/hex/blanks" 0 16 "A5 5A"
hex_seed "$out/hex/leading-zeros" 0 5 "0001F"
hex_seed "$out/hex/zero-length" 0 0 "0"
hex_seed "$out/hex/too-long" 0 3 "F"
hex_seed "$out/hex/not-hex" 0 8 "G1"
hex_seed "$out/hex/huge-zeros" 15 0 "0000 00"
hex_seed "$out/hex/huge-empty" 15 65535 ""

echo "seeds: $(ls "$out/translation" | wc -l) translation, $(ls "$out/reader" | wc -l) reader," \
  "$(ls "$out/hex" | wc -l) hex, $(ls "$out/replay" | wc -l) replay"
