#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Builds what the browser version of Pellmor links against, as static
# WebAssembly libraries made with Debian's Emscripten, into a prefix outside
# the source tree:
#
#   web/build-deps.sh PREFIX
#
# SDL 1.2.15 and FreeType come from Debian's source packages (libsdl1.2 and
# freetype, fetched by tools/debian-sources.sh). SDL is built from its
# platform-free core with our driver for web pages (web/sdl, hooked in by
# sdl-web.patch), FreeType from its TrueType parts alone (web/freetype);
# SDL_ttf is the stand-in in windows/ttf. A finished prefix
# is kept and reused until these files or Emscripten change.
#
# Needs: emscripten, cmake, make, pkg-config, dpkg-dev (setup.sh installs
# them). Root is not needed.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$1"
prefix=$(cd "$1" && pwd)
jobs=$(nproc)

. "$here"/../tools/build-deps-common.sh
open_prefix "$( (emcc --version | head -n 1 && cat "$0" "$here"/../tools/build-deps-common.sh \
    "$here"/../tools/debian-sources.sh "$here"/../platform/* "$here"/sdl-web.patch "$here"/toolchain-emscripten.cmake \
    "$here"/sdl/* "$here"/freetype/* "$here"/../windows/ttf/* "$here"/../LICENSE &&
    { cat "$here"/../sources/*.dsc 2>/dev/null || true; }) | sha256sum | cut -d' ' -f1)"
fetch_sdl_and_freetype "$here/sdl-web.patch"

# Our toolchain file, not emcmake's: it reads pkg-config files from the
# prefix before Emscripten's own, which has an sdl.pc of its JavaScript SDL.
cmake_build() {
    local name=$1 source=$2
    shift 2
    log "building $name"
    quietly "$name-configure" cmake -S "$source" -B "$work/build-$name" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$here/toolchain-emscripten.cmake" -DPELLMOR_WEB_PREFIX="$prefix" \
        -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
    quietly "$name-build" cmake --build "$work/build-$name" -j"$jobs"
    quietly "$name-install" cmake --install "$work/build-$name"
}
cmake_build SDL "$here/sdl" -DSDL_SOURCE="$sdl_source"
cmake_build freetype "$here/freetype" -DFREETYPE_SOURCE="$freetype_source"
cmake_build SDL_ttf "$here/../windows/ttf"
ttf_standin_notice
sdl_and_freetype_notices "platform/sdl-present.patch, web/sdl-web.patch, and a video driver for web pages (web/sdl); of it, the platform-free parts" \
    "of it, the TrueType parts (web/freetype)"

close_prefix
