#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Sourced by test.sh, run.sh and bench.sh.
tovi_packages=(g++ cmake ninja-build pkg-config qt6-base-dev libxml2-dev libxslt1-dev
    libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth clang libclang-rt-14-dev
    libxml2-utils
    libglib2.0-dev qt6-svg-dev desktop-file-utils appstream
    # the accessibility test: AT-SPI on a private session bus, read with pyatspi
    at-spi2-core dbus-daemon python3-pyatspi xdotool)
# A DTD the system XML catalog finds, for the document-type validation tests.
tovi_packages+=(docbook-xml)

tovi_install_packages() {
    local missing=()
    local p
    for p in "${tovi_packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local cmd=(apt-get install -y --no-install-recommends "${missing[@]}")
    echo "Installing missing packages: ${missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get update -qq && DEBIAN_FRONTEND=noninteractive "${cmd[@]}"
    elif command -v sudo >/dev/null 2>&1; then
        sudo apt-get update -qq && sudo DEBIAN_FRONTEND=noninteractive "${cmd[@]}"
    else
        echo "Missing packages. Install them with:" >&2
        echo "  sudo apt-get update && sudo ${cmd[*]}" >&2
        return 1
    fi
}
