#!/usr/bin/env bash
# Sets Pellmor up on Debian: installs the packages that are missing (with
# sudo when not root), builds, then starts the game or runs the tests.
#
#   ./setup.sh run    build and start the game from data/
#   ./setup.sh test   build and run the whole test suite headless
set -euo pipefail
cd "$(dirname "$0")"

usage() {
    echo "usage: $0 run|test" >&2
    exit 2
}
[ $# -eq 1 ] || usage
action=$1
case $action in run | test) ;; *) usage ;; esac

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        echo "setup.sh: need root or sudo to install: ${missing[*]}" >&2
        exit 1
    fi
}

# Build tools, SDL_ttf 2.0, GoogleTest, libpng for the picture tools, and the
# font that the game opens as delusion.ttf.
packages=(g++ make cmake pkg-config libsdl-ttf2.0-dev libgtest-dev libpng-dev fonts-liberation2)
missing=()
for package in "${packages[@]}"; do
    installed "$package" || missing+=("$package")
done
# SDL 1.2: sdl12-compat unless the classic library is there already.
if ! installed libsdl1.2-compat-dev && ! installed libsdl1.2-dev; then
    missing+=(libsdl1.2-compat-dev)
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup.sh: installing ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build
cmake --build build -j"$(nproc)"

case $action in
test)
    cd build
    exec ctest --output-on-failure -j"$(nproc)"
    ;;
run)
    if [ -z "${SDL_VIDEODRIVER:-}" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "setup.sh: the game is built (build/pellmor), but there is no display to show it on."
        echo "setup.sh: run ./setup.sh run from a desktop session, or set SDL_VIDEODRIVER."
        exit 0
    fi
    cd data
    exec ../build/pellmor
    ;;
esac
