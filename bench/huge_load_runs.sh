#!/usr/bin/env bash
# Runs the 1 GB load of tovi-bench-document several times, each between two fresh-memory
# probes (bench/fresh_memory.c), since on a virtual machine how fast fresh memory comes varies
# from minute to minute and moves the 1 GB load far more than the 100 MB one:
#   bench/huge_load_runs.sh [RUNS] [PAUSE_SECONDS]     (from the source folder, after
#   building build-bench; needs ~10 GB of free memory)
set -euo pipefail
cd "$(dirname "$0")/.."
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
cc -O2 -o "$probe" bench/fresh_memory.c
for _ in $(seq 1 "${1:-6}"); do
    echo "=== $(date -u +%H:%M:%S)"
    "$probe" 7
    build-bench/bin/tovi-bench-document --huge --benchmark_filter='Load/records' 2>&1 | tail -2
    "$probe" 0.7
    sleep "${2:-60}"
done
