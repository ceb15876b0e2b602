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
# Real-window tests need an X server; run the suite inside a private Xvfb display.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
    xvfb-run -a -s "-screen 0 1600x1000x24" ctest --output-on-failure -j2 "$@"
else
    ctest --output-on-failure -j2 "$@"
fi
