#!/usr/bin/env bash
# Builds every fuzz target with clang's libFuzzer, AddressSanitizer and UndefinedBehavior-
# Sanitizer in build-fuzz/ and runs each for a bounded time, one after the other in one process.
#
#   fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]     (default 60 seconds, every target)
#
# Corpora grow in fuzz/corpus-<target>/ (started from fuzz/inputs/<target>/, the Load and round
# trip targets also from the XML conformance suite when it is there); crashes, leaks and
# timeouts are written to fuzz/artifacts/. Both folders stay out of git.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(load roundtrip clipboard clipboard_record settings language)
fi
build=build-fuzz
xmlconf="$(cd .. && pwd)/shared/testdata/xmlconf"

if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTOVI_BUILD_BENCHMARKS=OFF -DTOVI_SANITIZE=ON -DTOVI_FUZZ_ENGINE=libFuzzer \
        -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link -fno-sanitize-recover=undefined" \
        -DCMAKE_EXE_LINKER_FLAGS="-fno-sanitize-recover=undefined"
fi
cmake --build "$build" -j2 --target $(printf 'fuzz_%s ' "${targets[@]}")

mkdir -p fuzz/artifacts
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
for target in "${targets[@]}"; do
    inputs="fuzz/inputs/$target"
    [ "$target" = clipboard_record ] && inputs=fuzz/inputs/clipboard
    corpus="fuzz/corpus-$target"
    mkdir -p "$corpus"
    extra=()
    if [ "$target" = load ] && [ -d "$xmlconf" ]; then
        extra+=("$xmlconf")
    fi
    max_len=65536
    [ "$target" = settings ] || [ "$target" = language ] && max_len=16384
    echo "=== $target: $seconds s"
    "$build/bin/fuzz_$target" "$corpus" "$inputs" "${extra[@]}" \
        -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 \
        -max_len="$max_len" -artifact_prefix="fuzz/artifacts/$target-" \
        -print_final_stats=1 2>&1 | tee "fuzz/artifacts/$target.log" |
        grep -E "^(#[0-9]+ +(INITED|DONE|pulse)|stat::|==[0-9]+==ERROR|SUMMARY|finding|Test unit written)" || true
done
