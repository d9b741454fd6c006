#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Builds what the Windows version of Pellmor links against, as static
# libraries for MinGW-w64, into a prefix outside the source tree:
#
#   windows/build-deps.sh PREFIX [SDL_ttf-2.0.11.tar.gz]
#
# SDL 1.2.15 and FreeType come from Debian's source packages (libsdl1.2 with
# Debian's patches and ours, sdl-windib.patch, applied; freetype), fetched by
# tools/debian-sources.sh.
# SDL_ttf 2.0 is built from its release tarball when one is given, else the
# stand-in in windows/ttf is built. A finished prefix is kept and reused
# until this script, our SDL patch, the stand-in or the tarball changes.
#
# For 32-bit Windows, set PELLMOR_MINGW_TRIPLET=i686-w64-mingw32.
#
# Needs: g++-mingw-w64-x86-64 (or -i686), make, cmake, pkg-config, dpkg-dev
# (setup.sh installs them). Root is not needed.
set -euo pipefail
[ $# -ge 1 ] && [ $# -le 2 ] || { echo "usage: $0 PREFIX [SDL_ttf-2.0.x.tar.gz]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$1"
prefix=$(cd "$1" && pwd)
ttf_tarball=${2:+$(realpath "$2")}
host=${PELLMOR_MINGW_TRIPLET:-x86_64-w64-mingw32}
jobs=$(nproc)

. "$here"/../tools/build-deps-common.sh
open_prefix "$( (echo "$host" && cat "$0" "$here"/../tools/build-deps-common.sh "$here"/../tools/debian-sources.sh \
    "$here"/../platform/* "$here"/sdl-windib.patch "$here"/ttf/* "$here"/../LICENSE ${ttf_tarball:+"$ttf_tarball"} &&
    { cat "$here"/../sources/*.dsc 2>/dev/null || true; }) | sha256sum | cut -d' ' -f1)"
fetch_sdl_and_freetype "$here/sdl-windib.patch"

# Autotools builds out of the source tree, static only.
configure_make() {
    local name=$1 source=$2
    shift 2
    mkdir -p "$work/build-$name"
    cd "$work/build-$name"
    log "building $name"
    quietly "$name-configure" "$source/configure" --host=$host --prefix="$prefix" \
        --disable-shared --enable-static "$@"
    quietly "$name-make" make -j"$jobs"
    quietly "$name-install" make install
    cd "$work"
}

# No stdio redirection: the traces go to the console, not to stdout.txt.
configure_make sdl "$sdl_source" --disable-stdio-redirect
configure_make freetype "$freetype_source" --enable-freetype-config \
    --without-zlib --without-bzip2 --without-png --without-harfbuzz --without-brotli

export PATH=$prefix/bin:$PATH
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
if [ -n "$ttf_tarball" ]; then
    mkdir -p "$work/src/ttf"
    tar -xf "$ttf_tarball" -C "$work/src/ttf" --strip-components=1
    configure_make SDL_ttf "$work/src/ttf" --with-sdl-prefix="$prefix" \
        --with-freetype-prefix="$prefix"
    notice SDL_ttf "$work/src/ttf/COPYING" <<EOF
Name: SDL_ttf $(sed -n 's/^#define SDL_TTF_\(MAJOR_VERSION\|MINOR_VERSION\|PATCHLEVEL\)[[:space:]]*\([0-9]*\).*/\2/p' \
    "$work/src/ttf/SDL_ttf.h" | paste -sd.)
Archives: libSDL_ttf.a
Licence: the zlib licence
Source: its release tarball, $(basename "$ttf_tarball")
EOF
else
    log "building the SDL_ttf stand-in"
    quietly ttf-configure cmake -S "$here/ttf" -B "$work/build-ttf" \
        -DCMAKE_TOOLCHAIN_FILE="$here/toolchain-mingw-w64.cmake" \
        -DPELLMOR_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release
    quietly ttf-build cmake --build "$work/build-ttf" -j"$jobs"
    quietly ttf-install cmake --install "$work/build-ttf"
    ttf_standin_notice
fi
sdl_and_freetype_notices "platform/sdl-present.patch and windows/sdl-windib.patch"

close_prefix
