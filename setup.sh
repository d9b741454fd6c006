#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Sets Pellmor up on Debian: installs the packages that are missing (with
# sudo when not root), builds, then starts the game or runs the tests.
#
#   ./setup.sh run             build and start the game from build/data/
#   ./setup.sh test            build and run the whole test suite headless
#   ./setup.sh package         build and make build/pellmor_<version>_<arch>.deb
#   ./setup.sh windows [TAR]   cross-build build-windows/pellmor.exe and
#                              build-windows/pellmor-windows.zip; TAR is
#                              SDL_ttf 2.0's source tarball, if you have it
#   ./setup.sh windows-test    the same, then its tests under Wine, the last
#                              on an X display of its own
#   ./setup.sh web             build the page for web browsers into
#                              build-web/page/ and build-web/pellmor-web.zip
#   ./setup.sh web-test        the same, then play it in headless Chromium
#   ./setup.sh source          build/pellmor-<version>.tar.gz, the release's
#                              source: the files git tracks at the last commit;
#                              and build/pellmor-<version>-libraries.tar.gz,
#                              the sources of the libraries that the Windows
#                              and web builds compile in
set -euo pipefail
cd "$(dirname "$0")"

usage() {
    echo "usage: $0 run|test|package|windows [SDL_ttf-2.0.x.tar.gz]|windows-test|web|web-test|source" >&2
    exit 2
}
[ $# -ge 1 ] || usage
action=$1
case $action in
run | test | package | windows-test | web | web-test | source) [ $# -eq 1 ] || usage ;;
windows) [ $# -le 2 ] || usage ;;
*) usage ;;
esac

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# Build tools and the font that the game opens as delusion.ttf (Liberation
# Sans Bold: Debian 12 has it in fonts-liberation2, later releases in
# fonts-liberation), then for Linux SDL_ttf 2.0 and Xlib's headers (SDL's
# window-manager interface for X11, by which the game watches its display):
# all that the game needs. For the tests also FreeType (the Windows build's
# SDL_ttf stand-in is compared with SDL_ttf, on the page's font too, which
# fontTools makes), GoogleTest, libpng for the
# picture tools, valgrind, desktop-file-validate and man, and an X server
# with a window manager, XTEST and DAMAGE for the real display's test; for the
# package libpng for the icons, dpkg-shlibdeps and file (with which CPack
# finds the programs). For Windows:
# the MinGW-w64 cross compiler, a native C compiler (FreeType's cross build
# makes a helper tool), dpkg-source and patch for SDL's and FreeType's Debian
# sources, zip to pack what ships, Python to write its notices, GoogleTest's
# source, Wine to run the tests, and for the test on a real X display what it
# needs on Linux. For
# the web: Emscripten, dpkg-source and patch for the Debian sources,
# fontTools for the page's font, zip, and for its test Chromium and what the
# Linux build's tests need.
font=fonts-liberation
[ "$(. /etc/os-release && echo "${VERSION_ID:-}")" = 12 ] && font=fonts-liberation2
packages=(make cmake pkg-config "$font")
game=(g++ libsdl-ttf2.0-dev libx11-dev)
display=(libfreetype-dev libgtest-dev python3-fonttools xvfb openbox libx11-dev libxtst-dev libxdamage-dev)  # the tests' build and the real display
# Where SDL 3 is underneath (Debian testing, whose os-release has no version
# yet), the game may take Wayland: the tests play it on a headless sway too.
wayland=()
[ -z "$(. /etc/os-release && echo "${VERSION_ID:-}")" ] && wayland=(sway grim wtype)
case $action in
run) packages+=("${game[@]}") ;;
test) packages+=("${game[@]}" "${display[@]}" libpng-dev valgrind desktop-file-utils man-db "${wayland[@]}") ;;
package) packages+=("${game[@]}" libpng-dev dpkg-dev file) ;;
windows) packages+=(g++-mingw-w64-x86-64 dpkg-dev gcc libc6-dev zip python3) ;;
windows-test) packages+=(g++-mingw-w64-x86-64 dpkg-dev gcc libc6-dev zip python3 googletest wine wine64 "${game[@]}" "${display[@]}") ;;
web) packages+=(emscripten dpkg-dev python3-fonttools zip) ;;
web-test) packages+=(emscripten dpkg-dev zip chromium "${game[@]}" "${display[@]}" libpng-dev) ;;
source) packages=(git) ;;
esac
missing=()
for package in "${packages[@]}"; do
    installed "$package" || missing+=("$package")
done
# SDL 1.2: sdl12-compat unless the classic library is there already.
if [[ ! $action =~ ^(windows|web|source)$ ]] && ! installed libsdl1.2-compat-dev && ! installed libsdl1.2-dev; then
    missing+=(libsdl1.2-compat-dev)
fi
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null; then
        echo "setup.sh: some Debian packages are missing, and installing them needs root. As root, run:" >&2
        echo "  apt-get install --no-install-recommends ${missing[*]}" >&2
        echo "then ./setup.sh $action again." >&2
        exit 1
    fi
    echo "setup.sh: installing ${missing[*]}"
    as_root apt-get update -q
    if ! as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"; then
        # Debian testing may be without a package for a while (Wine, say); apt names only the first.
        unavailable=()
        for package in "${missing[@]}"; do
            apt-get install -s -q "$package" >/dev/null 2>&1 || unavailable+=("$package")
        done
        [ ${#unavailable[@]} -eq 0 ] ||
            echo "setup.sh: ./setup.sh $action needs ${unavailable[*]}, which this system's Debian archives do not have now." >&2
        exit 1
    fi
fi

if [ "$action" = source ]; then
    # What git tracks at the last commit, under pellmor-<version>/: nothing
    # built, no history; in git's order of names, dated from that commit and
    # compressed without a time stamp, so that it comes out the same twice.
    # Beside it, the sources of the libraries that the Windows and web builds
    # compile in, as they compile them (tools/library-sources.sh).
    git rev-parse --git-dir >/dev/null 2>&1 ||
        { echo "setup.sh: this folder is not a git checkout: it is a release's source already" >&2; exit 1; }
    version=$(sed -n 's/^project(pellmor VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
    mkdir -p build
    git -c tar.umask=022 archive --format=tar --prefix="pellmor-$version/" HEAD | gzip -9n >"build/pellmor-$version.tar.gz"
    tools/library-sources.sh "build/pellmor-$version-libraries.tar.gz" "$version"
    echo "setup.sh: made build/pellmor-$version.tar.gz and build/pellmor-$version-libraries.tar.gz from commit $(git log -1 --format=%h)"
    exit 0
fi

if [[ $action == windows* ]]; then
    # SDL, SDL_ttf and FreeType for Windows, built once and kept outside the tree.
    prefix=${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/pellmor/windows-deps
    windows/build-deps.sh "$prefix" ${2:+"$2"}
    testing=OFF
    [ "$action" = windows-test ] && testing=ON
    cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=windows/toolchain-mingw-w64.cmake \
        -DPELLMOR_WINDOWS_PREFIX="$prefix" -DBUILD_TESTING=$testing
    cmake --build build-windows -j"$(nproc)"
    echo "setup.sh: built build-windows/pellmor.exe and build-windows/pellmor-windows.zip"
    [ "$action" = windows ] && exit 0
    (cd build-windows && ctest --output-on-failure -j"$(nproc)")
    # Then the game and the zip's pellmor.exe under Wine, headless and on a
    # real X display, driven by the Linux build's runners.
    cmake -S . -B build -DBUILD_TESTING=ON -DPELLMOR_WINDOWS_BUILD="$PWD/build-windows"
    cmake --build build -j"$(nproc)" --target game_test player_test
    cd build
    # Wine's runs wait on its server as much as they compute; those on the display run alone.
    exec ctest --output-on-failure -j"$(($(nproc) * 2))" -L windows
fi

if [[ $action == web* ]]; then
    # Debian's Emscripten finds its JavaScript modules through Debian's
    # Node.js; another Node.js is shown where they are.
    export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs
    # SDL, SDL_ttf and FreeType for the browser, built once and kept outside the tree.
    prefix=${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/pellmor/web-deps
    web/build-deps.sh "$prefix"
    cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=web/toolchain-emscripten.cmake \
        -DPELLMOR_WEB_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
    cmake --build build-web -j"$(nproc)"
    echo "setup.sh: built the page into build-web/page/ and build-web/pellmor-web.zip; serve the folder with any static file server"
    [ "$action" = web ] && exit 0
    # Then the page in headless Chromium, driven by a runner of the Linux build's tests.
    cmake -S . -B build -DBUILD_TESTING=ON -DPELLMOR_WEB_BUILD="$PWD/build-web"
    cmake --build build -j"$(nproc)" --target player_test
    cd build
    exec ctest --output-on-failure -L web
fi

# A new build for the game or the package leaves the tests out; test asks for them.
configure=()
[ -f build/CMakeCache.txt ] || configure=(-DBUILD_TESTING=OFF)
[ "$action" = test ] && configure=(-DBUILD_TESTING=ON)
cmake -S . -B build "${configure[@]}"

case $action in
test)
    cmake --build build -j"$(nproc)"
    cd build
    exec ctest --output-on-failure -j"$(nproc)" -LE 'windows|web'
    ;;
package)
    cmake --build build -j"$(nproc)"
    cd build
    # CPack gives the .deb's members the modes of the files it writes: the
    # usual ones, whatever the caller's umask, so that it comes out the same.
    umask 022
    cpack
    ;;
run)
    # The game alone.
    cmake --build build -j"$(nproc)" --target pellmor
    if [ -z "${SDL_VIDEODRIVER:-}" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "setup.sh: the game is built (build/pellmor), but there is no display to show it on."
        echo "setup.sh: run ./setup.sh run from a desktop session, or set SDL_VIDEODRIVER."
        exit 0
    fi
    cd build/data
    # As the installed launcher starts it: with sdl12-compat, frames wait for the display's refresh and the full
    # screen keeps the pixels sharp.
    SDL12COMPAT_SYNC_TO_VBLANK=${SDL12COMPAT_SYNC_TO_VBLANK:-1} \
        SDL12COMPAT_SCALE_METHOD=${SDL12COMPAT_SCALE_METHOD:-nearest} exec ../pellmor
    ;;
esac
