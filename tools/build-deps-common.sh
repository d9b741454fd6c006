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
# $work/src, SDL patched with PATCH; sets sdl_source and freetype_source.
fetch_sdl_and_freetype() {
    "$(dirname "${BASH_SOURCE[0]}")"/debian-sources.sh "$work/src" libsdl1.2 freetype
    sdl_source=$(echo "$work"/src/libsdl1.2-1.2.15*/)
    freetype_source=$(echo "$work"/src/freetype-2.*/)
    quietly sdl-patch patch -d "$sdl_source" -p1 -i "$1"
}
