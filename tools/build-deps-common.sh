# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Sourced by windows/build-deps.sh, web/build-deps.sh and
# tools/debian-sources.sh: a scratch folder, steps whose output is shown only
# when they fail, and a prefix of built libraries that is kept while what
# built it stays the same.

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
me=$(basename "$0")
log() { echo "$me: $*"; }

# quietly NAME COMMAND...: the command's output goes to a log, shown only
# when it fails, and then the script stops.
quietly() {
    local name=$1
    shift
    if ! "$@" >"$work/$name.log" 2>&1; then
        tail -n 40 "$work/$name.log" >&2
        echo "$me: $name failed" >&2
        exit 1
    fi
}

# open_prefix KEY: ends the script when $prefix was finished with KEY (a
# hash of what built it); else clears it for a rebuild, but only if it is
# ours, and marks it ours until close_prefix, so that a build that fails
# leaves a prefix the next run may clear.
open_prefix() {
    key=$1
    stamp=$prefix/.pellmor-deps
    if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$key" ]; then
        log "$prefix is up to date"
        exit 0
    fi
    if [ -f "$stamp" ]; then
        rm -rf "${prefix:?}"/* "$stamp"
    elif [ -n "$(ls -A "$prefix")" ]; then
        echo "$me: $prefix is not empty and was not made by this script" >&2
        exit 1
    fi
    echo unfinished >"$stamp"
}
close_prefix() {
    echo "$key" >"$stamp"
    log "done: $prefix"
}

# fetch_sdl_and_freetype PATCH: Debian's libsdl1.2 and freetype sources into
# $work/src; SDL with the presenter that every build shares in its core
# (platform/), then patched with PATCH. Sets sdl_source and freetype_source,
# and sdl_package and freetype_package, each package's name and version as
# Debian gives them.
fetch_sdl_and_freetype() {
    local platform
    platform=$(dirname "${BASH_SOURCE[0]}")/../platform
    "$(dirname "${BASH_SOURCE[0]}")"/debian-sources.sh "$work/src" libsdl1.2 freetype
    sdl_source=$(echo "$work"/src/libsdl1.2-1.2.15*/)
    freetype_source=$(echo "$work"/src/freetype-2.*/)
    sdl_package=$(package_of libsdl1.2)
    freetype_package=$(package_of freetype)
    cp "$platform"/present.c "$platform"/present.h "$sdl_source/src/video/"
    quietly sdl-present-patch patch -d "$sdl_source" -p1 -i "$platform/sdl-present.patch"
    quietly sdl-patch patch -d "$sdl_source" -p1 -i "$1"
}
package_of() { basename "$(ls "$work"/src/"$1"_*.dsc | sort -V | tail -n 1)" .dsc | tr _ ' '; }

# notice NAME TEXT...: what the notices of a program that links a library of
# the prefix say of it (tools/notices.py): a header from standard input (its
# name and version, the archives that hold it, its licence, where its source
# came from), then the licence's full text, from its source.
notice() {
    mkdir -p "$prefix/share/notices"
    { cat; echo; cat "${@:2}"; } >"$prefix/share/notices/$1.txt"
}

# The notices of SDL, with CHANGES, Pellmor's changes to it, and of FreeType
# (built as the optional second argument says),
# whose licence asks for its credit, with the year of its release.
sdl_and_freetype_notices() {
    local year version=${freetype_package#* }
    year=$(sed -n 's/.*Copyright (C) [0-9]*-\([0-9]*\) by.*/\1/p' "$freetype_source/include/freetype/freetype.h" | head -n 1)
    notice SDL "$sdl_source/COPYING" <<EOF
Name: SDL 1.2.15
Archives: libSDL.a libSDLmain.a
Licence: the GNU Lesser General Public License, version 2.1 or later
Source: Debian's source package $sdl_package, with Pellmor's changes: $1
EOF
    notice FreeType "$freetype_source/docs/FTL.TXT" <<EOF
Name: FreeType ${version%%[+-]*}
Archives: libfreetype.a
Licence: the FreeType License (FreeType is also under the GNU GPL 2; it is used here under the FreeType License)
Source: Debian's source package $freetype_package${2:+; $2}
Credit: Portions of this software are copyright © $year The FreeType Project (www.freetype.org). All rights reserved.
EOF
}

# The SDL_ttf stand-in's notice: it is Pellmor's own.
ttf_standin_notice() {
    notice SDL_ttf "$(dirname "${BASH_SOURCE[0]}")/../LICENSE" <<EOF
Name: SDL_ttf 2.0's stand-in, Pellmor's own (windows/ttf)
Archives: libSDL_ttf.a
Licence: the MIT licence, as all of Pellmor (LICENSE.txt)
Source: Pellmor's own source
EOF
}
