#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and
# runs the whole test suite under them (the fuzz targets' starting input runs included).
#
#   ./sanitize.sh [-jN] [ctest arguments...]      (default -j2)
set -euo pipefail
cd "$(dirname "$0")"
jobs=-j2
if [[ "${1:-}" == -j* ]]; then
    jobs="$1"
    shift
fi
if [ ! -f build-asan/build.ninja ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTOVI_BUILD_BENCHMARKS=OFF -DTOVI_SANITIZE=ON
fi
cmake --build build-asan "$jobs"
# Any report fails the test that caused it. Leak checking stays on; Qt's and fontconfig's
# process-lifetime caches are not leaks of ours, so they are suppressed.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cat > build-asan/lsan.supp <<'SUPP'
leak:libfontconfig
leak:libdbus
leak:libxcb
leak:libX11
SUPP
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/build-asan/lsan.supp}"
cd build-asan
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
    xvfb-run -a -s "-screen 0 1600x1000x24" ctest --output-on-failure "$jobs" "$@"
else
    ctest --output-on-failure "$jobs" "$@"
fi
