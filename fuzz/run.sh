#!/usr/bin/env bash
# Builds the fuzz targets and runs each for the given seconds (default 60) over the seed
# corpus made from the end-to-end inputs. Fails (non-zero exit) on any finding: a crash, a
# sanitizer report, a broken invariant, a timeout, a leak or too much memory.
#
#   fuzz/run.sh [seconds]
#
# Environment: KESTRIX_FUZZ_BUILD (build folder, default build-fuzz in the repository),
# KESTRIX_FUZZ_TARGETS (default: fuzz_translation fuzz_reader fuzz_hex fuzz_replay),
# KESTRIX_FUZZ_MAX_LEN (largest input tried, default 8192), KESTRIX_WERROR (ON: warnings are
# errors in a new build folder; CI sets it). Findings are kept in
# <build folder>/fuzz-findings, the inputs the runs found in <build folder>/fuzz-work.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KESTRIX_FUZZ_BUILD:-$root/build-fuzz}
targets=${KESTRIX_FUZZ_TARGETS:-fuzz_translation fuzz_reader fuzz_hex fuzz_replay}
max_len=${KESTRIX_FUZZ_MAX_LEN:-8192}

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DKESTRIX_FUZZ=ON \
    -DKESTRIX_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRIX_WERROR="${KESTRIX_WERROR:-OFF}"
fi
# shellcheck disable=SC2086
cmake --build "$build" --target $targets

seeds=$build/fuzz-corpus
"$root/fuzz/make_corpus.sh" "$seeds"
findings=$build/fuzz-findings
mkdir -p "$findings"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for target in $targets; do
  corpus=${target#fuzz_}
  work=$build/fuzz-work/$corpus
  mkdir -p "$work"
  dict=()
  case $corpus in
    hex) ;;
    replay) dict=(-dict="$root/fuzz/pcf.dict") ;;
    *) dict=(-dict="$root/fuzz/svf.dict") ;;
  esac
  echo "=== $target: ${seconds}s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 \
      -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$findings/$target-" \
      "${dict[@]}" "$work" "$seeds/$corpus" 2> "$build/fuzz-$corpus.log"; then
    echo "*** $target found a fault: see $build/fuzz-$corpus.log and $findings"
    tail -n 60 "$build/fuzz-$corpus.log"
    status=1
  else
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$build/fuzz-$corpus.log" || true
  fi
done
exit $status
