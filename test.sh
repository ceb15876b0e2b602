#!/usr/bin/env bash
# Sets up the machine when needed, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/packages.sh
tovi_install_packages
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j2
cd build
ctest --output-on-failure -j2 "$@"
