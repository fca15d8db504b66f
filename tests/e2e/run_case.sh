#!/usr/bin/env bash
# Runs one end-to-end case: the binary, started as "kestrix" in a fresh folder holding the
# case's input files, must print exactly expected/stdout and expected/stderr, end with
# expected/status and leave exactly the files under expected/files (byte for byte).
#
# A case folder holds:
#   args          one command-line argument per line (after the program name)
#   env           optional: NAME=value lines added to the environment
#   setup.sh      optional: run with bash in the work folder before the binary
#   stdin         optional: the binary's standard input, a regular file (from the work folder,
#                 so setup.sh may link other names to it)
#   mode          optional: one of the modes below, in which the case always runs
#   expected/     stdout, stderr, status, and files/ with every file the run leaves behind
#   anything else is an input file, copied into the work folder; every input must be left as
#   it was.
#
# An optional third argument runs the case with one of its files given through a pipe, which
# must change nothing of the result:
#   pipe-input    the first argument's file is piped in and named /dev/stdin
#   pipe-header   the same for the second argument (the header file)
#   pipe-dash     the first argument's file is piped in and named -
#   fd-input      the first argument's file is given as <(cat file), a pipe of its own
set -u
bin=$(realpath "$1")
case_dir=$(realpath "$2")
mode=${3:-}
if [ -f "$case_dir/mode" ]; then mode=$(cat "$case_dir/mode"); fi
work=$(mktemp -d)
results=$(mktemp -d)
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work" "$results"' EXIT

(cd "$case_dir" && find . -mindepth 1 -maxdepth 1 ! -name expected ! -name args ! -name env \
  ! -name setup.sh ! -name mode -exec cp -a {} "$work/" \;)
(cd "$work" && find . -type f | sort) > "$results/inputs"
if [ -f "$case_dir/setup.sh" ]; then
  (cd "$work" && bash "$case_dir/setup.sh") || { echo "setup.sh failed"; exit 1; }
fi

mapfile -t argv < "$case_dir/args"
envs=()
if [ -f "$case_dir/env" ]; then mapfile -t envs < "$case_dir/env"; fi

# The binary with `argv`, started as "kestrix" in the work folder. Before the binary's own
# arguments a bash script may stand that starts it ("$0" is the binary).
run() {
  local script='exec -a kestrix "$0" "$@"'
  if [ "$mode" = fd-input ]; then script='fed=$1; shift; exec -a kestrix "$0" <(cat "$fed") "$@"'; fi
  (cd "$work" && env ${envs[@]+"${envs[@]}"} bash -c "$script" "$bin" ${argv[@]+"${argv[@]}"})
}
case $mode in
  "")
    if [ -f "$case_dir/stdin" ]; then run < "$work/stdin"; else run; fi ;;
  pipe-input | pipe-header | pipe-dash)
    at=0 name=/dev/stdin
    [ "$mode" = pipe-header ] && at=1
    [ "$mode" = pipe-dash ] && name=-
    fed=${argv[$at]}; argv[$at]=$name
    cat "$work/$fed" 2>/dev/null | run ;;
  fd-input)
    run ;;
  *)
    echo "unknown mode $mode"; exit 1 ;;
esac > "$results/stdout" 2> "$results/stderr"
echo $? > "$results/status"

failed=0
compare() {  # expected actual label
  if ! cmp -s "$1" "$2"; then
    echo "--- $3 differs (expected vs actual):"
    diff -u --label expected --label actual "$1" "$2" | head -n 60
    failed=1
  fi
}
expected=$case_dir/expected
compare "$expected/stdout" "$results/stdout" stdout
compare "$expected/stderr" "$results/stderr" stderr
compare "$expected/status" "$results/status" status

(cd "$work" && find . -type f | sort) | comm -23 - "$results/inputs" > "$results/produced"
if [ -d "$expected/files" ]; then
  (cd "$expected/files" && find . -type f | sort) > "$results/wanted"
else
  : > "$results/wanted"
fi
if ! cmp -s "$results/wanted" "$results/produced"; then
  echo "--- the set of files differs (expected vs actual):"
  diff -u --label expected --label actual "$results/wanted" "$results/produced"
  failed=1
fi
while read -r name; do
  [ -f "$work/$name" ] && compare "$expected/files/$name" "$work/$name" "$name"
done < "$results/wanted"
while read -r name; do
  if ! cmp -s "$case_dir/$name" "$work/$name"; then echo "--- input $name was changed"; failed=1; fi
done < "$results/inputs"
exit $failed
