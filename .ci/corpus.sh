#!/usr/bin/env bash
# Translates every real SVF program in ../shared/corpus/real (when it is there) without and
# with -c and with -s 30000. Each run must end with exit status 1 and either the summary or
# one of the program's own messages, with nothing from a sanitizer on standard error. With
# kestrix-replay beside the binary, every successful translation must replay without a
# problem, and translating its SVF program again must give the same operations.
#   .ci/corpus.sh <kestrix binary> [corpus folder]
set -u
bin=$(realpath "$1")
replay=$(dirname "$bin")/kestrix-replay
corpus=${2:-$(dirname "$0")/../../shared/corpus/real}
if [ ! -d "$corpus" ]; then
  echo "no corpus at $corpus: skipped"
  exit 0
fi
corpus=$(realpath "$corpus")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '! corpus run\n' > "$work/header.txt"
# The last message of a run that stopped: the lines the program ends its messages with.
stops='COMMAND LINE WAS: |The last line read from input file was|Command line read was: |Could not match state of|ERROR hex string|from the PIO MAP\.|Cannot (open|write)'
failed=0
for svf in "$corpus"/*.svf; do
  for options in "" "-c" "-s 30000"; do
    rm -rf "$work/out" && mkdir "$work/out"
    # shellcheck disable=SC2086
    (cd "$work" && timeout 600 "$bin" "$svf" header.txt out/run $options > stdout 2> stderr)
    status=$?
    result=$(grep -a -o -E "Translation Successful [0-9]+ files? generated\.|$stops" "$work/stdout" | tail -n 1)
    verdict=ok
    [ "$status" -eq 1 ] || verdict="exit status $status"
    grep -q -E "Sanitizer|runtime error" "$work/stderr" && verdict="sanitizer report"
    [ -n "$result" ] || verdict="no summary and no message"
    # A successful translation replays without a problem, and its SVF program comes back with
    # the same operations (the replay program is built beside the translator).
    if [ "$verdict" = ok ] && [ -x "$replay" ] && [[ $result == Translation* ]]; then
      if ! "$replay" "$work/out/run" > "$work/listing" 2> "$work/replay.err"; then
        verdict="replay: $(head -c 300 "$work/replay.err")"
      elif ! "$replay" --svf "$work/out/run" > "$work/again.svf" 2> "$work/svf.err" ||
           ! (cd "$work" && mkdir again && timeout 600 "$bin" again.svf header.txt again/run \
                > again.stdout 2>&1; grep -q "Translation Successful" again.stdout) ||
           ! "$replay" "$work/again/run" > "$work/listing-again" 2>> "$work/replay.err"; then
        verdict="replay round trip failed"
      elif ! grep -q '! not exact' "$work/again.svf" &&
           ! cmp -s <(cut -d: -f3- "$work/listing") <(cut -d: -f3- "$work/listing-again"); then
        verdict="replay round trip changed the operations"
      fi
      rm -rf "$work/again"
    fi
    printf '%-48s %-10s %s: %s\n' "$(basename "$svf")" "[$options]" "$verdict" "$result"
    [ "$verdict" = ok ] || { failed=1; tail -c 400 "$work/stdout"; head -c 400 "$work/stderr"; }
  done
done
exit $failed
