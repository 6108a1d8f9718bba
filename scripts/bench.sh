#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The performance report: runs every benchmark binary of a build, pinned to
# one CPU, with interleaved repetitions, and prints one table of operation,
# time, floor, ratio and target (bench/report.py explains the columns).
#
#   scripts/bench.sh [--build DIR] [--reps N] [--min-time S] [--cpu C] [--filter REGEX]
#
#   --build DIR     the build holding bin/bench_* (default: build/default)
#   --reps N        repetitions, interleaved at random (default: 10)
#   --min-time S    seconds per repetition (default: 0.2)
#   --cpu C         the CPU to pin to with taskset (default: the last one; bench_tiles,
#                   whose audit runs on one thread and on two, gets every CPU)
#   --filter REGEX  only the benchmarks matching it (Google Benchmark's filter)
#
# Timings are never asserted by the tests; this is where they are read.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/default reps=10 min_time=0.2 cpu=$(($(nproc) - 1)) filter=.
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --reps) reps=$2; shift 2 ;;
    --min-time) min_time=$2; shift 2 ;;
    --cpu) cpu=$2; shift 2 ;;
    --filter) filter=$2; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
ls "$build"/bin/bench_* >/dev/null 2>&1 || { echo "bench.sh: no bench_* in $build/bin; build the default preset" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
every=0-$(($(nproc) - 1))
run() {  # CPUS BINARY FILTER REPORT
  taskset -c "$1" "$2" --benchmark_filter="$3" --benchmark_repetitions="$reps" \
    --benchmark_enable_random_interleaving=true --benchmark_min_time="$min_time" \
    --benchmark_format=json >"$out/$4.json" 2>/dev/null || true
}
for bin in "$build"/bin/bench_*; do
  name=$(basename "$bin")
  case $name in
    # Hostile inputs are timed one call at a time, without floors: run it alone.
    bench_hostile) continue ;;
    # The tiled-log audit is measured on one thread and on two: it gets every CPU.
    bench_tiles) run "$every" "$bin" "$filter" "$name" ;;
    # So does the two-thread run of the cheapest export; the rest stays pinned.
    bench_abi) pinned=$("$bin" --benchmark_list_tests --benchmark_filter="$filter" 2>/dev/null | grep -v '^abi_inclusion_threads' | paste -sd'|' || true)
               [ -n "$pinned" ] && run "$cpu" "$bin" "^($pinned)\$" "$name"
               [[ abi_inclusion_threads =~ $filter ]] && run "$every" "$bin" "abi_inclusion_threads" "$name-threads" ;;
    *) run "$cpu" "$bin" "$filter" "$name" ;;
  esac
done
python3 "$root/bench/report.py" "$out"/*.json
