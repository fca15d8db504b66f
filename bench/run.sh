#!/usr/bin/env bash
# Builds a Release kestrix, generates the benchmark workloads with kestrix_workload and measures
# every speed target in one run: each workload runs once to warm up, then five times (the two
# short restart runs fifteen times each, taking turns), and the medians are compared. The I/O
# floor of a run is the time `dd bs=1M` takes to copy the bytes of the PCF files it wrote, held
# in one file, into a new file on the same disk, measured right after each timed run. The write
# floor of the program's runs is the time kestrix_write_floor takes to write the same number of
# files of the same sizes from memory, 1 MiB per write, into a fresh folder, run right after
# each timed run too; the ratio is the median of the ratios of each pair.
#
#   bench/run.sh            the full workloads (a few minutes)
#   bench/run.sh --smoke    tiny sizes, one run each: checks that the script works (CI runs it)
#
# KESTRIX_WERROR=ON builds with warnings as errors (CI sets it).
#
# Prints one line per run (medians) and then the targets, each as a ratio with its limit. The
# replay rows read the program's files with kestrix-replay instead (PCF megabytes read).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTRIX_BENCH_BUILD:-$root/build-release}
work=${KESTRIX_BENCH_WORK:-$build/bench-work}
runs=5

if [ "${1:-}" = "--smoke" ]; then
  groups=20 scan_bits=5000 restart_groups=20 runs=1
else
  # 20,000 groups of SIR 8, SDR 1024 (TDI, TDO, MASK) and RUNTEST 100 TCK: 42 million vector
  # lines; an SDR as long as an FPGA configuration; 4,200 groups then six long scans, which the
  # default budget restarts five times and -s 1000000 not at all.
  groups=20000 scan_bits=2850000 restart_groups=4200
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTRIX_TESTS=OFF \
  -DKESTRIX_WERROR="${KESTRIX_WERROR:-OFF}" > /dev/null
cmake --build "$build" > /dev/null
kestrix=$build/kestrix
workload=$build/kestrix_workload
write_floor=$build/kestrix_write_floor
mkdir -p "$work"
cd "$work"
: > header.txt
load=$(cut -d' ' -f1-3 /proc/loadavg)

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
now() { date +%s.%N; }
calc() { echo "$1" | bc -l; }

# One timed run in a clean output folder: prints "seconds user system peak-KiB restarts".
run_once() {  # input stem options...
  local input=$1 stem=$2
  shift 2
  rm -rf out && mkdir out
  # Each timing starts with no dirty pages left by the run before.
  sync
  local start end
  start=$(now)
  if [[ $input == pipe:* ]]; then
    cat "${input#pipe:}" | /usr/bin/time -f '%U %S %M' -o usage.txt \
      "$kestrix" /dev/stdin header.txt "out/$stem" "$@" > console.txt || true
  else
    /usr/bin/time -f '%U %S %M' -o usage.txt \
      "$kestrix" "$input" header.txt "out/$stem" "$@" > console.txt || true
  fi
  end=$(now)
  grep -q "Translation Successful" console.txt || { echo "run failed: $(tail -c 300 console.txt)" >&2; exit 1; }
  # Every pass prints the FREQUENCY line of the workloads again.
  local passes
  passes=$(grep -c "Running\.\.\." console.txt || true)
  echo "$(calc "$end - $start") $(tail -n 1 usage.txt) $(( passes > 1 ? passes - 1 : 0 ))"
}

# The I/O floor: dd copying one file that holds every byte the run wrote (all.pcf, made
# untimed after the warm-up run) into a new file.
floor_once() {
  rm -f floor.out
  sync
  local start end
  start=$(now)
  dd if=all.pcf of=floor.out bs=1M 2> /dev/null
  end=$(now)
  rm -f floor.out
  calc "$end - $start"
}

# The write floor after a run: the files it left in out/, by number, written anew from memory.
write_floor_once() {  # stem
  local sizes start end
  sizes=$(for ((n = 1; ; n++)); do [ -f "out/$1$n.pcf" ] || break; stat -c %s "out/$1$n.pcf"; done)
  rm -rf floor-out
  sync
  start=$(now)
  # shellcheck disable=SC2086
  "$write_floor" floor-out "$1" $sizes
  end=$(now)
  rm -rf floor-out
  calc "$end - $start"
}

declare -A secs mb floor rss restarts samples bytes write_ratio with_write_floor
workloads=0
printf '%-30s %8s %6s %6s %8s %8s %8s %7s %7s %4s\n' \
  run seconds user sys "PCF MB" "MB/s" "RSS MiB" floor× write× rst
# One warm-up run of a workload, and the file of its bytes for the floor.
warm_up() {  # name input stem options...
  local name=$1 input=$2 stem=$3
  shift 3
  run_once "$input" "$stem" "$@" > /dev/null
  mb[$name]=$(cat out/*.pcf | wc -c | awk '{ printf "%.1f", $1 / 1e6 }')
  bytes[$name]=floor-$((workloads += 1)).pcf
  cat out/*.pcf > "${bytes[$name]}"
  samples[$name]=
}
# One timed run and one floor, added to the samples of the run: "seconds user system KiB
# restarts floor write-floor" per line (write-floor 0 where it is not measured).
sample() {  # name input stem options...
  local name=$1 line write=0
  line=$(run_once "${@:2}")
  if [ -n "${with_write_floor[$name]:-}" ]; then write=$(write_floor_once "$3"); fi
  ln -f "${bytes[$name]}" all.pcf
  samples[$name]+="$line $(floor_once) $write"$'\n'
  rm -f all.pcf
}
column() { printf '%s' "${samples[$1]}" | awk -v c="$2" '{ print $c }'; }
# The medians of the samples of a run, as one line of the table.
report() {  # name
  local name=$1
  secs[$name]=$(column "$name" 1 | median)
  floor[$name]=$(column "$name" 6 | median)
  rss[$name]=$(calc "$(column "$name" 4 | sort -g | tail -n 1) / 1024")
  restarts[$name]=$(column "$name" 5 | tail -n 1)
  local write=-
  if [ -n "${with_write_floor[$name]:-}" ]; then
    write_ratio[$name]=$(printf '%s' "${samples[$name]}" | awk '{ printf "%.6f\n", $1 / $7 }' | median)
    write=$(printf '%.2f' "${write_ratio[$name]}")
  fi
  printf '%-30s %8.3f %6.2f %6.2f %8s %8.0f %8.1f %7.2f %7s %4s\n' "$name" "${secs[$name]}" \
    "$(column "$name" 2 | median)" "$(column "$name" 3 | median)" \
    "${mb[$name]}" "$(calc "${mb[$name]} / ${secs[$name]}")" "${rss[$name]}" \
    "$(calc "${secs[$name]} / ${floor[$name]}")" "$write" "${restarts[$name]}"
}
measure() {  # name input stem options...
  warm_up "$@"
  for _ in $(seq "$runs"); do sample "$@"; done
  report "$1"
  rm -f "${bytes[$1]}"
}
# Two runs of a short workload compared with each other: a run of a few tens of milliseconds
# moves by more than the margin of its target from one moment to the next, so the two take
# turns, three times as often as the others.
measure_pair() {  # name options... -- name options...
  local split
  for ((split = 1; split <= $#; split++)); do [ "${!split}" = -- ] && break; done
  local first=("${@:1:split-1}") second=("${@:split+1}")
  warm_up "${first[@]}"
  warm_up "${second[@]}"
  for _ in $(seq $((3 * runs))); do
    sample "${first[@]}"
    sample "${second[@]}"
  done
  report "${first[0]}"
  report "${second[0]}"
  rm -f "${bytes[${first[0]}]}" "${bytes[${second[0]}]}"
}

"$workload" programming "$groups" > plain.svf
"$workload" programming $((2 * groups)) > plain2.svf
"$workload" programming $((4 * groups)) > plain4.svf
"$workload" long-scan "$scan_bits" > scan.svf
"$workload" long-scan $((2 * scan_bits)) > scan2.svf
"$workload" restarts "$restart_groups" > restarts.svf

with_write_floor["program"]=1
with_write_floor["program -c"]=1
measure "program" plain.svf p

# kestrix-replay over the program's set, as the last run left it: the listing, the SVF
# program, the totals.
replay_measure() {  # name options...
  local name=$1
  shift
  "$build/kestrix-replay" "$@" out/p > /dev/null
  local times=() kibs=() start end
  for _ in $(seq "$runs"); do
    start=$(now)
    /usr/bin/time -f %M -o usage.txt "$build/kestrix-replay" "$@" out/p > /dev/null
    end=$(now)
    times+=("$(calc "$end - $start")") kibs+=("$(tail -n 1 usage.txt)")
  done
  local secs size
  secs=$(printf '%s\n' "${times[@]}" | median)
  size=$(cat out/*.pcf | wc -c | awk '{ printf "%.1f", $1 / 1e6 }')
  printf '%-30s %8.3f %6s %6s %8s %8.0f %8.1f %7s %7s %4s\n' "$name" "$secs" - - "$size" \
    "$(calc "$size / $secs")" "$(calc "$(printf '%s\n' "${kibs[@]}" | sort -g | tail -n 1) / 1024")" - - -
}
replay_measure "replay program: listing"
replay_measure "replay program: --svf" --svf
replay_measure "replay program: --summary" --summary
measure "program, 2x" plain2.svf p
measure "program, 4x" plain4.svf p
measure "program -c" plain.svf p -c
measure "program, piped" pipe:plain.svf p
measure "scan $scan_bits bits" scan.svf s -s 1000000
measure "scan $((2 * scan_bits)) bits" scan2.svf s -s 1000000
measure_pair "restarts, default budget" restarts.svf r -- "restarts, -s 1000000" restarts.svf r -s 1000000
[ "${restarts[restarts, default budget]}" -gt 0 ] || echo "warning: the restart workload did not restart" >&2
[ "${restarts[restarts, -s 1000000]}" -eq 0 ] || echo "warning: -s 1000000 restarted" >&2

peak=0
for name in "program" "program, 2x" "program, 4x" "program -c" "scan $scan_bits bits" \
  "scan $((2 * scan_bits)) bits" "restarts, -s 1000000"; do
  peak=$(calc "if (${rss[$name]} > $peak) ${rss[$name]} else $peak")
done

echo
printf '%-52s %8s %7s %4s\n' target measured limit met
target() {  # text value limit
  printf '%-52s %8.2f %7.2f %4s\n' "$1" "$2" "$3" "$(calc "$2 <= $3" | sed 's/1/yes/;s/0/NO/')"
}
floor_ratio() { calc "${secs[$1]} / ${floor[$1]}"; }
per_mb() { calc "${secs[$1]} / ${mb[$1]}"; }
target "program: time / write floor" "${write_ratio[program]}" 1.2
target "program -c: time / write floor" "${write_ratio[program -c]}" 1.2
target "program: time / dd floor" "$(floor_ratio "program")" 1.5
target "program, 4x: time / dd floor" "$(floor_ratio "program, 4x")" 1.5
target "program -c: time / dd floor" "$(floor_ratio "program -c")" 2.0
target "restarts: time per MB / that of -s 1000000" \
  "$(calc "$(per_mb "restarts, default budget") / $(per_mb "restarts, -s 1000000")")" 1.1
target "doubling a scan: time ratio" \
  "$(calc "${secs[scan $((2 * scan_bits)) bits]} / ${secs[scan $scan_bits bits]}")" 2.1
target "doubling the program: time ratio" "$(calc "${secs[program, 2x]} / ${secs[program]}")" 2.1
target "peak RSS without restarts (MiB)" "$peak" 16
echo "restarts: ${restarts[restarts, default budget]} with the default budget;" \
  "peak RSS with restarts $(printf '%.1f' "${rss[restarts, default budget]}") MiB," \
  "piped $(printf '%.1f' "${rss[program, piped]}") MiB"
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //');" \
  "load before: $load; $(date -u +%Y-%m-%d)"
