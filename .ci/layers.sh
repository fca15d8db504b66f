#!/usr/bin/env bash
# Fails when a source file includes a header of a folder above its own. From the bottom: core;
# svf, tap and pcf side by side (tap may include pcf, for the file it writes to); translation;
# commands; driver. The replay stands on core alone, and shares the reading of frequency
# directives with the translator on purpose.
set -u
cd "$(dirname "$0")/../src"

allowed() {
  case $1 in
    core) echo "core" ;;
    svf) echo "core svf" ;;
    pcf) echo "core pcf" ;;
    tap) echo "core pcf tap" ;;
    translation) echo "core svf tap pcf translation" ;;
    commands) echo "core svf tap pcf translation commands" ;;
    driver) echo "core svf tap pcf translation commands driver" ;;
    replay) echo "core replay svf/frequency_directive.h" ;;
    *) echo "" ;;
  esac
}

status=0
for file in $(find . -name '*.h' -o -name '*.cpp' | sed 's#^\./##' | sort); do
  folder=${file%%/*}
  permitted=$(allowed "$folder")
  if [ -z "$permitted" ]; then
    echo "$file: folder $folder has no place in the layers"; status=1; continue
  fi
  while IFS= read -r included; do
    ok=0
    for p in $permitted; do
      if [ "$included" = "$p" ] || [ "${included%%/*}" = "$p" ]; then ok=1; fi
    done
    if [ $ok -eq 0 ]; then
      echo "$file includes \"$included\", above or beside its own floor"; status=1
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done
[ $status -eq 0 ] && echo "layers kept"
exit $status
