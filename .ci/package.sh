#!/usr/bin/env bash
# Packaging checks: install into a staging folder, run the installed programs on a shipped
# example (the translation, and its replay, vector lookup and round trip through SVF), build the
# Debian package, list it and check it with lintian (no error, no warning), and render the
# manual pages with warnings as errors. Installs lintian with apt-get when it is missing.
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
for file in bin/kestrix bin/kestrix-replay share/man/man1/kestrix.1.gz \
    share/man/man1/kestrix-replay.1.gz share/doc/kestrix/copyright share/doc/kestrix/changelog.gz \
    share/doc/kestrix/examples/expected/idcode1.pcf; do
  [ -f "$work/stage/$file" ] || { echo "missing from the install: $file"; exit 1; }
done

echo "== the installed README names only files that are installed with it"
doc=$work/stage/share/doc/kestrix
for name in $(grep -o 'examples/[A-Za-z0-9_./-]*[A-Za-z0-9]' "$doc/README.md" | sort -u); do
  [ -e "$doc/$name" ] || { echo "the README names $name, which is not installed"; exit 1; }
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

echo "== the installed replay lists the example's scans and finds its vectors"
"$work/stage/bin/kestrix-replay" "$work/out/idcode" > "$work/listing"
cat "$work/listing"
grep -q '^.*idcode1.pcf:75: SDR 32 TDI (00000000) TDO (0150803F) MASK (0FFFFFFF);$' "$work/listing"
"$work/stage/bin/kestrix-replay" --vector 75 "$work/out/idcode" | grep -q 'it shifts bit 11 of the scan'
"$work/stage/bin/kestrix-replay" --svf "$work/out/idcode" > "$work/again.svf"
"$work/stage/bin/kestrix" "$work/again.svf" "$work/stage/share/doc/kestrix/examples/header.txt" \
  "$work/out/again" > /dev/null || true
"$work/stage/bin/kestrix-replay" "$work/out/again" | cut -d: -f3- > "$work/listing-again"
cut -d: -f3- "$work/listing" | cmp - "$work/listing-again" ||
  { echo "the replay's SVF program does not give the same operations"; exit 1; }
"$work/stage/bin/kestrix-replay" --version

echo "== the version is the same in the PCF head and the manual page"
version=$(sed -n 's/^! KESTRIX SVF to PCF Translator version \(.*\)$/\1/p' "$work/out/idcode1.pcf")
zcat "$work/stage/share/man/man1/kestrix.1.gz" | grep -q "^\.TH KESTRIX 1 .* \"kestrix $version\"" ||
  { echo "the manual page does not carry version $version"; exit 1; }
zcat "$work/stage/share/man/man1/kestrix-replay.1.gz" |
  grep -q "^\.TH KESTRIX-REPLAY 1 .* \"kestrix-replay $version\"" ||
  { echo "the replay's manual page does not carry version $version"; exit 1; }
[ "$("$work/stage/bin/kestrix-replay" --version)" = "kestrix-replay $version" ] ||
  { echo "kestrix-replay --version does not say $version"; exit 1; }
[ "$("$work/stage/bin/kestrix" --version)" = "kestrix $version" ] ||
  { echo "kestrix --version does not say $version"; exit 1; }

echo "== the manual pages render without warnings"
for page in kestrix.1 kestrix-replay.1; do
  zcat "$work/stage/share/man/man1/$page.gz" > "$work/$page"
  LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$work/$page" 2> "$work/groff.err"
  if [ -s "$work/groff.err" ]; then cat "$work/groff.err"; exit 1; fi
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -l "$work/stage/share/man/man1/$page.gz" \
    > "$work/man.txt" 2> "$work/man.err"
  if [ -s "$work/man.err" ]; then cat "$work/man.err"; exit 1; fi
  if grep -q '@' "$work/man.txt"; then
    echo "$page holds an unfilled placeholder:"; grep '@' "$work/man.txt"; exit 1
  fi
  echo "$page: rendered $(wc -l < "$work/man.txt") lines"
done

echo "== Debian package"
rm -f "$build"/kestrix_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/kestrix_*.deb)
dpkg-deb -I "$deb"
dpkg-deb -c "$deb" | tee "$work/contents"
for file in ./usr/bin/kestrix ./usr/bin/kestrix-replay ./usr/share/man/man1/kestrix.1.gz \
    ./usr/share/man/man1/kestrix-replay.1.gz ./usr/share/doc/kestrix/copyright \
    ./usr/share/doc/kestrix/changelog.gz; do
  grep -q " $file\$" "$work/contents" || { echo "missing from the package: $file"; exit 1; }
done
echo "== lintian: no error, no warning"
if ! command -v lintian > /dev/null; then
  apt-get update > /dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y lintian > /dev/null
fi
lintian --info --fail-on error,warning "$deb" ||
  { echo "lintian reports the errors or warnings above"; exit 1; }

echo "== the packaged program translates an example"
dpkg-deb -x "$deb" "$work/deb"
# The processor picks the pdep path of the scans at run time; the program must carry it.
objdump -d "$work/deb/usr/bin/kestrix" > "$work/disassembly"
grep -q -w pdep "$work/disassembly" ||
  { echo "no pdep instruction in the packaged kestrix"; exit 1; }
rm -rf "$work/out" && mkdir "$work/out"
status=0
"$work/deb/usr/bin/kestrix" "$work/deb/usr/share/doc/kestrix/examples/idcode.svf" \
  "$work/deb/usr/share/doc/kestrix/examples/header.txt" "$work/out/idcode" > "$work/stdout" || status=$?
[ "$status" -eq 1 ] || { echo "exit status $status, expected 1"; exit 1; }
cmp examples/expected/idcode.stdout "$work/stdout"
cmp examples/expected/idcode1.pcf "$work/out/idcode1.pcf"
"$work/deb/usr/bin/kestrix-replay" --summary "$work/out/idcode" | grep -q '^scans: 2 (SIR 1, 8 bits; SDR 1, 32 bits)$'
echo "packaging checks passed"
