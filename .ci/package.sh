#!/usr/bin/env bash
# Packaging checks: install into a staging folder, run the installed program on a shipped
# example, build the Debian package and list it, and render the manual page with warnings
# as errors.
#
#   .ci/package.sh [BUILD_DIR]      (default: build; it must be configured and built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== install into a staging folder"
cmake --install "$build" --prefix "$work/stage"
(cd "$work/stage" && find . -type f | sort)
for file in bin/kestrix share/man/man1/kestrix.1; do
  [ -f "$work/stage/$file" ] || { echo "missing from the install: $file"; exit 1; }
done

echo "== the installed program translates an example"
mkdir "$work/out"
status=0
"$work/stage/bin/kestrix" "$work/stage/share/doc/kestrix/examples/idcode.svf" \
  "$work/stage/share/doc/kestrix/examples/header.txt" "$work/out/idcode" > "$work/stdout" || status=$?
cat "$work/stdout"
[ "$status" -eq 1 ] || { echo "exit status $status, expected 1"; exit 1; }
grep -q 'Translation Successful 1 file generated.' "$work/stdout"
cmp examples/expected/idcode1.pcf "$work/out/idcode1.pcf"

echo "== the version is the same in the PCF head and the manual page"
version=$(sed -n 's/^! KESTRIX SVF to PCF Translator version \(.*\)$/\1/p' "$work/out/idcode1.pcf")
grep -q "^\.TH KESTRIX 1 .* \"kestrix $version\"" "$work/stage/share/man/man1/kestrix.1" ||
  { echo "the manual page does not carry version $version"; exit 1; }

echo "== the manual page renders without warnings"
LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$work/stage/share/man/man1/kestrix.1" 2> "$work/groff.err"
if [ -s "$work/groff.err" ]; then cat "$work/groff.err"; exit 1; fi
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -l "$work/stage/share/man/man1/kestrix.1" \
  > "$work/man.txt" 2> "$work/man.err"
if [ -s "$work/man.err" ]; then cat "$work/man.err"; exit 1; fi
if grep -q '@' "$work/man.txt"; then
  echo "the manual page holds an unfilled placeholder:"; grep '@' "$work/man.txt"; exit 1
fi
echo "rendered $(wc -l < "$work/man.txt") lines"

echo "== Debian package"
rm -f "$build"/kestrix_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/kestrix_*.deb)
dpkg-deb -I "$deb"
dpkg-deb -c "$deb" | tee "$work/contents"
for file in ./usr/bin/kestrix ./usr/share/man/man1/kestrix.1; do
  grep -q " $file\$" "$work/contents" || { echo "missing from the package: $file"; exit 1; }
done
echo "== the packaged program translates an example"
dpkg-deb -x "$deb" "$work/deb"
rm -rf "$work/out" && mkdir "$work/out"
status=0
"$work/deb/usr/bin/kestrix" "$work/deb/usr/share/doc/kestrix/examples/idcode.svf" \
  "$work/deb/usr/share/doc/kestrix/examples/header.txt" "$work/out/idcode" > "$work/stdout" || status=$?
[ "$status" -eq 1 ] || { echo "exit status $status, expected 1"; exit 1; }
cmp examples/expected/idcode.stdout "$work/stdout"
cmp examples/expected/idcode1.pcf "$work/out/idcode1.pcf"
echo "packaging checks passed"
