#!/usr/bin/env bash
# Builds the clipboard record fuzzer with clang (libFuzzer, ASan, UBSan) and runs it for a
# bounded time. Usage: fuzz/run-clipboard-fuzzer.sh [seconds]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
out="${TOVI_FUZZ_DIR:-build-fuzz}"
mkdir -p "$out/corpus"
sources=(src/editing/ClipboardRecord.cpp src/document/XmlDocument.cpp src/document/XmlNode.cpp
         src/document/NodeStore.cpp src/editing/UndoHistory.cpp src/editing/ParkingAction.cpp
         src/editing/NodeMoveAction.cpp)
# shellcheck disable=SC2046
clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -Isrc $(pkg-config --cflags Qt6Core) fuzz/ClipboardRecordFuzzer.cpp "${sources[@]}" \
    $(pkg-config --libs Qt6Core) -o "$out/clipboard-record-fuzzer"
# Starting inputs: the record of a text node "ab" and an element holding it.
printf '\x03\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x06\x00\x00\x00#\x00T\x00e\x00x\x00t\x00\x00\x00\x03\x00\x00\x00a\x00b\x00\x00\x00\x00\x00' \
    > "$out/corpus/text-ab"
"$out/clipboard-record-fuzzer" -max_total_time="$seconds" -max_len=4096 "$out/corpus"
