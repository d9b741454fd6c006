#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Builds the game and runs the whole test suite against the classic SDL 1.2.15 instead of sdl12-compat, without
# touching the installed SDL: the classic library's Debian packages are unpacked into build-classic/ and the build
# is pointed at them. Needs what ./setup.sh installs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$root/build-classic
arch=$(gcc -print-multiarch)
sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# Debian 12 has the classic library; from Debian 13 on, libsdl1.2debian is sdl12-compat under the old name, and
# there is no SDL 1.2.15 to test with.
sudo_if_needed apt-get update -q >/dev/null
source=$(apt-cache show libsdl1.2debian 2>/dev/null | sed -n 's/^Source: *\([^ ]*\).*/\1/p' | head -1)
if [ "$source" != libsdl1.2 ]; then
    echo "classic_sdl.sh: skipped: this release has no classic SDL 1.2.15 (its libsdl1.2debian comes from ${source:-nowhere})"
    exit 0
fi

# The classic library's own run-time dependencies; none conflicts with sdl12-compat.
runtime=(libasound2 libcaca0 libpulse0 libx11-6 libxext6)
for package in "${runtime[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${runtime[@]}"
done

rm -rf "$work/debs" "$work/sdl" "$work/pkgconfig"
mkdir -p "$work/debs" "$work/sdl" "$work/pkgconfig"
(cd "$work/debs" && apt-get download -q libsdl1.2debian libsdl1.2-dev)
for deb in "$work"/debs/*.deb; do dpkg-deb -x "$deb" "$work/sdl"; done
sed "s|^prefix=.*|prefix=$work/sdl/usr|" "$work/sdl/usr/lib/$arch/pkgconfig/sdl.pc" >"$work/pkgconfig/sdl.pc"

PKG_CONFIG_PATH=$work/pkgconfig cmake -S "$root" -B "$work/build"
cmake --build "$work/build" -j"$(nproc)"
# ldd's output is read whole first: with pipefail, grep -q stopping at the match could leave ldd to die of SIGPIPE.
libraries=$(ldd "$work/build/pellmor")
grep -q "$work/sdl/.*libSDL-1.2" <<<"$libraries" ||
    { echo "classic_sdl.sh: pellmor is not linked against the unpacked SDL 1.2.15" >&2; exit 1; }
cd "$work/build"
LD_LIBRARY_PATH=$work/sdl/usr/lib/$arch ctest --output-on-failure -j"$(nproc)"
