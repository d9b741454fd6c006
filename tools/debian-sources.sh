#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Debian source packages, the files of each as Debian publishes them (its
# .dsc and tarballs), into DEST; unpacked there too, with Debian's patches
# applied (one folder per package, as apt-get source makes them), unless
# --download says the files alone:
#
#   tools/debian-sources.sh [--download] DEST PACKAGE...
#
# A release's source with its libraries' sources unpacked beside it
# (pellmor-<version>-libraries.tar.gz, which ./setup.sh source makes) has
# them in sources/: they are taken from there, and nothing is fetched.
# Otherwise they come through a private apt state that reads deb-src twins
# of this machine's own deb entries, so no root and no change to the
# system's apt. libsdl1.2 left Debian after 12 (bookworm): on a later
# release whose archives lack it, the sources come from bookworm, from the
# same archives. Of each package the newest version whose files the
# archives really hold is taken: a mirror may lack some (seen: Debian 13's
# freetype update).
#
# Needs: dpkg-dev (dpkg-source). The Windows and web builds of the libraries
# use it, and ./setup.sh source.
set -euo pipefail
download=()
[ "${1:-}" = --download ] && download=(--download-only) && shift
[ $# -ge 2 ] || { echo "usage: $0 [--download] DEST PACKAGE..." >&2; exit 2; }
mkdir -p "$1"
dest=$(cd "$1" && pwd)
shift
released=$(cd "$(dirname "$0")/.." && pwd)/sources

# From the release's own copy, when every package is there.
local_dsc() { ls "$released/$1"_*.dsc 2>/dev/null | sort -V | tail -n 1; }
for package in "$@"; do [ -n "$(local_dsc "$package")" ] || released=; done
if [ -n "$released" ]; then
    echo "debian-sources.sh: the source packages $*, from $released"
    for package in "$@"; do
        dsc=$(local_dsc "$package")
        # The .dsc names its files: the first field of its Files lines.
        for file in "$dsc" $(sed -n '/^Files:/,/^[^ ]/s/^ [0-9a-f]* [0-9]* //p' "$dsc"); do
            cp "$(dirname "$dsc")/$(basename "$file")" "$dest/"
        done
        [ ${#download[@]} -gt 0 ] || (cd "$dest" && dpkg-source -x "$(basename "$dsc")" >/dev/null)
    done
    exit 0
fi

. "$(dirname "$0")"/build-deps-common.sh  # $work: the private apt state

# deb-src twins of the machine's deb entries, in deb822 and one-line form.
sources=$work/sources.list.d
mkdir -p "$sources" "$work/lists/partial" "$work/cache/archives/partial"
for file in /etc/apt/sources.list.d/*.sources; do
    [ -e "$file" ] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)Types:[^\n]*deb/ && !/(^|\n)Enabled: *no/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' \
        "$file" >"$sources/$(basename "$file")"
done
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -e "$file" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file" >"$sources/$(basename "$file")"
done
apt_private=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$sources"
    -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache")
echo "debian-sources.sh: fetching the source packages $*"
quietly apt-update apt-get "${apt_private[@]}" update
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
if ! apt-cache "${apt_private[@]}" showsrc libsdl1.2 2>/dev/null | grep '^Package: libsdl1.2$' >/dev/null &&
    [ -n "$release" ] && [ "$release" != bookworm ]; then
    # Testing's entries name it by its role, not by its codename.
    for file in "$sources"/*; do
        sed -E "s/\<($release|testing|unstable|sid)\>/bookworm/g" "$file" >"$sources/bookworm-$(basename "$file")"
    done
    quietly apt-update-bookworm apt-get "${apt_private[@]}" update
fi

: >"$work/apt-source.log"
for package in "$@"; do
    fetched=false
    for version in $(apt-cache "${apt_private[@]}" showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' | sort -rVu); do
        if (cd "$dest" && apt-get "${apt_private[@]}" source "${download[@]}" "$package=$version") >>"$work/apt-source.log" 2>&1; then
            fetched=true
            break
        fi
    done
    if ! $fetched; then
        tail -n 20 "$work/apt-source.log" >&2
        echo "debian-sources.sh: no version of the source package $package could be fetched" >&2
        exit 1
    fi
done
