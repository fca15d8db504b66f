#!/usr/bin/env bash
# Two real translations on one output name: while the first one runs (it waits for its input
# from a FIFO), the second stops at start-up with its message, creating and truncating nothing;
# the first then finishes as if alone, and no lock file is left. Once it has ended, the name
# is free again.
set -u
bin=$(realpath "$1")
work=$(mktemp -d)
trap 'exec 3>&- 2>/dev/null; [ -n "${first:-}" ] && kill "$first" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
printf 'Board 7\n' > header.txt
printf 'STATE RESET;\n' > second.svf
mkfifo input.fifo
fail() { echo "FAIL: $*"; exit 1; }

"$bin" input.fifo header.txt out > first.out 2>&1 &
first=$!
exec 3> input.fifo
# The first one holds the lock once it has made file 1 (its head is written at start-up).
for _ in $(seq 100); do [ -s out1.pcf ] && break; sleep 0.1; done
[ -s out1.pcf ] || fail "the first translation made no out1.pcf"
before=$(cat out1.pcf)

"$bin" second.svf header.txt out > second.out 2>&1
status=$?
[ "$status" -eq 1 ] || fail "second run: exit status $status"
[ "$(cat second.out)" = "$(printf '\nOutput file out1.pcf is being written by another translation!')" ] ||
  fail "second run printed: $(cat second.out)"
[ "$(cat out1.pcf)" = "$before" ] || fail "the second run changed out1.pcf"

printf 'STATE RESET;\n' >&3
exec 3>&-
wait "$first"
first=
grep -q '^Translation Successful 1 file generated\.$' first.out || fail "first run: $(cat first.out)"
grep -q 'fifth reset clock\|"11ZX"' out1.pcf || fail "first run: out1.pcf has no reset clocks"
files=$(ls | sort | tr '\n' ' ')
[ "$files" = "first.out header.txt input.fifo out1.pcf second.out second.svf " ] ||
  fail "files left: $files"

"$bin" second.svf header.txt out > third.out 2>&1
grep -q '^Translation Successful' third.out || fail "after the first ended: $(cat third.out)"
echo "ok"
