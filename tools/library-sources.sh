#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# The sources of the libraries that the Windows and web builds compile into
# their programs, as they compile them, in a tarball to go beside the
# release's own source: SDL's licence, the GNU LGPL, asks that they go with
# the programs. ./setup.sh source makes it.
#
#   tools/library-sources.sh OUT.tar.gz VERSION
#
# Under pellmor-VERSION/: sources/, Debian's source packages as Debian
# publishes them (fetched as the builds fetch them, by
# tools/debian-sources.sh), with a README; and, from the last commit,
# Pellmor's changes to them and the scripts that build them. Unpacked into
# the release's source, the builds take their libraries from sources/ and
# fetch nothing. Dated from the last commit, in the order of the names,
# owned by root, compressed without a time stamp: the same twice.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 OUT.tar.gz VERSION" >&2; exit 2; }
out=$1 version=$2
here=$(cd "$(dirname "$0")/.." && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
top=$stage/pellmor-$version
mkdir -p "$top/sources"
"$here"/tools/debian-sources.sh --download "$top/sources" libsdl1.2 freetype
git -C "$here" -c tar.umask=022 archive --format=tar --prefix="pellmor-$version/" HEAD LICENSE LICENSES platform \
    tools/debian-sources.sh tools/build-deps-common.sh windows/build-deps.sh windows/sdl-windib.patch windows/ttf \
    windows/toolchain-mingw-w64.cmake web/build-deps.sh web/sdl-web.patch web/sdl web/freetype \
    web/toolchain-emscripten.cmake | tar -x -C "$stage"
cat >"$top/sources/README" <<EOF
The sources of the libraries in Pellmor $version's programs for Windows and
for web pages, as they are compiled into them.

Here are Debian's source packages, each as Debian publishes it: a .dsc and
its tarballs (dpkg-source -x unpacks one, with Debian's patches applied):
$(cd "$top/sources" && ls ./*.dsc | sed 's|^\./|  |')

libsdl1.2 is SDL 1.2.15, under the GNU Lesser General Public License 2.1
or later; freetype is FreeType, under the FreeType License or the GNU
General Public License 2. Pellmor's changes to SDL, under SDL's licence,
are beside this folder: platform/sdl-present.patch with present.c for
both, windows/sdl-windib.patch for Windows, and for web pages
web/sdl-web.patch with the video driver in web/sdl. Which parts of
FreeType the page has is in web/freetype; windows/ttf is Pellmor's own
stand-in for SDL_ttf. windows/build-deps.sh and web/build-deps.sh build
them all.

Unpacked into the same folder as pellmor-$version.tar.gz (both hold
pellmor-$version/), ./setup.sh windows and ./setup.sh web take the
libraries' sources from here and fetch none.
EOF
epoch=$(git -C "$here" log -1 --format=%ct)
tar --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --mode=u=rwX,go=rX --format=gnu \
    -C "$stage" -cf - "pellmor-$version" | gzip -9n >"$out"
