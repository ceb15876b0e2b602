#!/usr/bin/env bash
# Sets up the machine when needed, builds the editor and starts it with the given file (or
# the bundled sample document).
set -euo pipefail
cd "$(dirname "$0")"
source cmake/packages.sh
tovi_install_packages
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j2 --target tovi-xmleditor
file="${1:-examples/sample.xml}"
exec build/bin/tovi-xmleditor "$file"
