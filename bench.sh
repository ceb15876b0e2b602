#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them; figures go to docs/PERFORMANCE.md by hand.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/packages.sh
tovi_install_packages
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOVI_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j2
for bench in build-bench/bin/tovi-bench-*; do
    "$bench" "$@"
done
