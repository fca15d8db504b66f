#!/usr/bin/env bash
# Builds a Release kestrix, generates the benchmark workloads and prints a table of medians
# over five runs (after one warm-up): wall seconds, PCF megabytes written, MB/s, peak RSS and
# the ratio to the I/O floor, the time `dd bs=1M` takes to copy the same PCF files into one
# new file on the same disk. The replay rows read W1's files instead (PCF megabytes read).
#
#   bench/run.sh            the full workloads (a few minutes)
#   bench/run.sh --smoke    tiny sizes, to check that the script works
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTRIX_BENCH_BUILD:-$root/build-release}
work=${KESTRIX_BENCH_WORK:-$build/bench-work}
runs=5

if [ "${1:-}" = "--smoke" ]; then
  groups=20 long=(2500 5000 10000) restart_groups=20 runs=1
else
  groups=5000 long=(250000 500000 1000000) restart_groups=4000
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRIX_TESTS=OFF > /dev/null
cmake --build "$build" > /dev/null
kestrix=$build/kestrix
workload=$build/kestrix_workload
mkdir -p "$work"
cd "$work"
: > header.txt

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
now() { date +%s.%N; }

# One timed run in a clean output folder: prints "seconds peak-KiB".
run_once() {  # svf stem options...
  local svf=$1 stem=$2
  shift 2
  rm -rf out && mkdir out
  # Both timings start with no dirty pages left by the run before.
  sync
  local start end
  start=$(now)
  /usr/bin/time -f %M -o rss.txt "$kestrix" "$svf" header.txt "out/$stem" "$@" > console.txt || true
  end=$(now)
  grep -q "Translation Successful" console.txt || { echo "run failed: $(cat console.txt)" >&2; exit 1; }
  echo "$(echo "$end - $start" | bc -l) $(tail -n 1 rss.txt)"
}

floor_once() {
  rm -f floor.out
  sync
  local start end
  start=$(now)
  cat out/*.pcf | dd bs=1M of=floor.out 2> /dev/null
  end=$(now)
  rm -f floor.out
  echo "$end - $start" | bc -l
}

printf '%-28s %8s %9s %8s %9s %7s\n' workload seconds "PCF MB" "MB/s" "RSS MiB" floor×
declare -A seconds_of mb_of
measure() {  # name svf stem options...
  local name=$1 svf=$2 stem=$3
  shift 3
  run_once "$svf" "$stem" "$@" > /dev/null
  local times=() rss=() floors=()
  for _ in $(seq "$runs"); do
    read -r t r < <(run_once "$svf" "$stem" "$@")
    times+=("$t") rss+=("$r")
    floors+=("$(floor_once)")
  done
  local secs kib fl mb
  secs=$(printf '%s\n' "${times[@]}" | median)
  kib=$(printf '%s\n' "${rss[@]}" | median)
  fl=$(printf '%s\n' "${floors[@]}" | median)
  mb=$(cat out/*.pcf | wc -c | awk '{ printf "%.1f", $1 / 1e6 }')
  seconds_of[$name]=$secs
  mb_of[$name]=$mb
  printf '%-28s %8.3f %9s %8.0f %9.1f %7.2f\n' "$name" "$secs" "$mb" \
    "$(echo "$mb / $secs" | bc -l)" "$(echo "$kib / 1024" | bc -l)" "$(echo "$secs / $fl" | bc -l)"
}

"$workload" programming "$groups" > w1.svf
measure "W1 programming" w1.svf w1

# kestrix-replay over the W1 set just written: the listing, the SVF program, the totals.
replay_measure() {  # name options...
  local name=$1
  shift
  "$build/kestrix-replay" "$@" out/w1 > /dev/null
  local times=() rss=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(now)
    /usr/bin/time -f %M -o rss.txt "$build/kestrix-replay" "$@" out/w1 > /dev/null
    end=$(now)
    times+=("$(echo "$end - $start" | bc -l)") rss+=("$(tail -n 1 rss.txt)")
  done
  local secs kib mb
  secs=$(printf '%s\n' "${times[@]}" | median)
  kib=$(printf '%s\n' "${rss[@]}" | median)
  mb=$(cat out/*.pcf | wc -c | awk '{ printf "%.1f", $1 / 1e6 }')
  printf '%-28s %8.3f %9s %8.0f %9.1f %7s\n' "$name" "$secs" "$mb" \
    "$(echo "$mb / $secs" | bc -l)" "$(echo "$kib / 1024" | bc -l)" "-"
}
replay_measure "replay W1 listing"
replay_measure "replay W1 --svf" --svf
replay_measure "replay W1 --summary" --summary
measure "W1 programming -c" w1.svf w1 -c
for bits in "${long[@]}"; do
  "$workload" long-scan "$bits" > "w2-$bits.svf"
  measure "W2 long scan $bits" "w2-$bits.svf" w2 -s 1000000
done
"$workload" restarts "$restart_groups" > w3.svf
measure "W3 restarts" w3.svf w3
restarts=$(( $(grep -o "Running\.\.\." console.txt | wc -l) - 1 ))

echo
w2=("${long[@]}")
echo "W2 time ratios: ${w2[1]}/${w2[0]} bits $(echo "${seconds_of[W2 long scan ${w2[1]}]} / ${seconds_of[W2 long scan ${w2[0]}]}" | bc -l | cut -c1-5)," \
  "${w2[2]}/${w2[1]} bits $(echo "${seconds_of[W2 long scan ${w2[2]}]} / ${seconds_of[W2 long scan ${w2[1]}]}" | bc -l | cut -c1-5)"
echo "W3: $restarts restarts; seconds per MB against W1: $(echo "(${seconds_of[W3 restarts]} / ${mb_of[W3 restarts]}) / (${seconds_of[W1 programming]} / ${mb_of[W1 programming]})" | bc -l | cut -c1-5)"
