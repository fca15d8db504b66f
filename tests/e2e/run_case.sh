#!/usr/bin/env bash
# Runs one end-to-end case: the binary, started as "kestrix" in a fresh folder holding the
# case's input files, must print exactly expected/stdout and expected/stderr, end with
# expected/status and leave exactly the files under expected/files (byte for byte).
#
# A case folder holds:
#   args          one command-line argument per line (after the program name)
#   env           optional: NAME=value lines added to the environment
#   setup.sh      optional: run with bash in the work folder before the binary
#   expected/     stdout, stderr, status, and files/ with every file the run leaves behind
#   anything else is an input file, copied into the work folder.
set -u
bin=$(realpath "$1")
case_dir=$(realpath "$2")
work=$(mktemp -d)
results=$(mktemp -d)
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work" "$results"' EXIT

(cd "$case_dir" && find . -mindepth 1 -maxdepth 1 ! -name expected ! -name args ! -name env \
  ! -name setup.sh -exec cp -a {} "$work/" \;)
(cd "$work" && find . -type f | sort) > "$results/inputs"
if [ -f "$case_dir/setup.sh" ]; then
  (cd "$work" && bash "$case_dir/setup.sh") || { echo "setup.sh failed"; exit 1; }
fi

mapfile -t argv < "$case_dir/args"
envs=()
if [ -f "$case_dir/env" ]; then mapfile -t envs < "$case_dir/env"; fi

(cd "$work" && env ${envs[@]+"${envs[@]}"} bash -c 'exec -a kestrix "$0" "$@"' "$bin" \
  ${argv[@]+"${argv[@]}"} > "$results/stdout" 2> "$results/stderr")
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
exit $failed
