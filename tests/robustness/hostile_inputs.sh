#!/usr/bin/env bash
# Feeds kestrix inputs that no SVF tool writes but a broken file or a careless script may: NUL
# bytes, bytes above 0x7F, CR line ends, no final newline, one line of 100 MB, a statement of
# a million tokens, a scan of 4294967295 bits near the end. Every run must end on its own
# (no crash, no sanitizer report, no hang) with exit status 1 and either the summary or one of
# the program's own messages, in memory linear in the input.
set -u
bin=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
: > header.txt
failed=0

# name, then the command that writes input.svf; extra options after "--".
check() {
  local name=$1 expect=$2
  shift 2
  rm -f out*.pcf
  # A generous bound that only a hang reaches.
  /usr/bin/time -f %M -o rss.txt timeout 300 "$bin" input.svf header.txt out "$@" \
    > stdout.txt 2> stderr.txt
  local status=$?
  local rss
  rss=$(tail -n 1 rss.txt)
  local problem=""
  [ "$status" -eq 1 ] || problem="exit status $status"
  grep -q -E "Sanitizer|runtime error" stderr.txt && problem="sanitizer report"
  grep -q -a -E "$expect" stdout.txt || problem="stdout does not match /$expect/"
  # Memory: a few times the input, whatever it holds (sanitizers double it).
  local limit=$(( $(stat -c %s input.svf) / 1024 * 8 + 200000 ))
  [ "$rss" -le "$limit" ] || problem="peak RSS ${rss} KiB above ${limit} KiB"
  if [ -n "$problem" ]; then
    echo "FAIL $name: $problem"
    head -c 600 stdout.txt; head -c 600 stderr.txt
    failed=1
  else
    echo "ok   $name (${rss} KiB)"
  fi
}

success="^Translation Successful"

printf 'SDR 8 TDI (\0A5);\nSTATE\0 IDLE;\n! \0 comment\n' > input.svf
check "NUL bytes" "INVALID COMMAND ENCOUNTERED|ERROR hex string .* is not hexadecimal"

printf 'SDR 8 TDI (A5);\n! caf\xc3\xa9 \xff\xfe\nSTATE\xa0IDLE;\nSIR 4 TDI (\xe2\x80\x8b1);\n' > input.svf
check "bytes above 0x7F" "not hexadecimal"

printf 'STATE RESET;\r\nSDR 8 TDI (A5)\r\n TDO (FF);\r\nRUNTEST 10 TCK;\r\n' > input.svf
check "CRLF line ends" "$success"

printf 'STATE RESET;\rSDR 8 TDI (A5);\rRUNTEST 10 TCK;\r! end\r' > input.svf
check "lone CR line ends" "$success"

printf 'STATE RESET;\nSDR 8 TDI (A5);\n! no final newline' > input.svf
check "no final newline" "$success"
check "no final newline, comments" "$success" -c

{ printf 'SDR 8 TDI (A5);\n! '; head -c 100000000 /dev/zero | tr '\0' 'x'; printf '\n'; } > input.svf
check "comment line of 100 MB" "$success"

{ printf 'SDR 8 TDI ('; head -c 100000000 /dev/zero | tr '\0' '0'; printf '1);\nSTATE IDLE;\n'; } > input.svf
check "scan line of 100 MB" "$success"

{ printf 'HDR 0'; for _ in $(seq 1000); do printf ' TDI (0)%.0s' $(seq 500); done; printf ';\nSTATE IDLE;\n'; } > input.svf
check "a statement of a million tokens" "$success"

{ printf 'PIOMAP ('; for i in $(seq 20000); do printf 'IN P%d ' "$i"; done; printf ');\n'; } > input.svf
check "a PIO map of 20000 names" "$success"

# The scan writes 8.6 billion lines: a file size limit ends it as a full disk would.
printf 'STATE IDLE;\nSDR 16 TDI (ABCD);\nSDR 4294967295 TDI (0);\n! the end\n' > input.svf
(ulimit -f 20000; trap '' XFSZ; check "SDR 4294967295 near the end" "Cannot write output file out1.pcf!") || failed=1

exit $failed
