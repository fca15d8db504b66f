#!/usr/bin/env bash
# Translates one shipped example and compares everything it produces with what
# examples/expected/ holds, byte for byte: the PCF files, the console text, an empty
# standard error and the exit status (always 1).
#
#   check_examples.sh KESTRIX EXAMPLES_DIR NAME
#
# NAME is one of the examples below. When an example or the program changes on purpose,
# regenerate its expected files and read them line by line before shipping them.
set -u
bin=$(realpath "$1")
examples=$(realpath "$2")
name=$3

# name: SVF file, output stem, options (the same commands as in the README)
case $name in
  idcode) svf=idcode.svf; stem=idcode; options=() ;;
  cpld)   svf=cpld.svf;   stem=cpld;   options=(-c) ;;
  pio)    svf=pio.svf;    stem=pio;    options=() ;;
  *) echo "unknown example $name"; exit 2 ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/out"
"$bin" "$examples/$svf" "$examples/header.txt" "$work/out/$stem" ${options[@]+"${options[@]}"} \
  > "$work/stdout" 2> "$work/stderr"
status=$?

failed=0
if [ "$status" -ne 1 ]; then
  echo "exit status $status, expected 1"; failed=1
fi
if [ -s "$work/stderr" ]; then
  echo "--- unexpected standard error:"; cat "$work/stderr"; failed=1
fi
if ! cmp -s "$examples/expected/$name.stdout" "$work/stdout"; then
  echo "--- console output differs (expected vs actual):"
  diff -u --label expected --label actual "$examples/expected/$name.stdout" "$work/stdout"
  failed=1
fi

wanted=$(cd "$examples/expected" && ls -1 | grep -E "^${stem}[0-9]+\.pcf\$" | sort)
produced=$(cd "$work/out" && ls -1 | sort)
if [ -z "$wanted" ]; then
  echo "no expected PCF files for $name in $examples/expected"; failed=1
fi
if [ "$wanted" != "$produced" ]; then
  echo "--- the set of PCF files differs (expected vs actual):"
  diff -u --label expected --label actual <(echo "$wanted") <(echo "$produced")
  failed=1
fi
for file in $wanted; do
  [ -f "$work/out/$file" ] || continue
  if ! cmp -s "$examples/expected/$file" "$work/out/$file"; then
    echo "--- $file differs (expected vs actual):"
    diff -u --label expected --label actual "$examples/expected/$file" "$work/out/$file" | head -n 60
    failed=1
  fi
done
exit $failed
