#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Fetches Debian source packages, unpacked with Debian's patches applied,
# into DEST (one folder per package, as apt-get source makes them):
#
#   tools/debian-sources.sh DEST PACKAGE...
#
# The sources come through a private apt state that reads deb-src twins of
# this machine's own deb entries, so no root and no change to the system's
# apt. libsdl1.2 left Debian after 12 (bookworm): on a later release whose
# archives lack it, the sources come from bookworm, from the same archives.
# Of each package the newest version whose files the archives really hold is
# taken: a mirror may lack some (seen: Debian 13's freetype update).
#
# Needs: dpkg-dev (dpkg-source). The Windows and web builds of the libraries use it.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 DEST PACKAGE..." >&2; exit 2; }
mkdir -p "$1"
dest=$(cd "$1" && pwd)
shift

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
    for file in "$sources"/*; do
        sed "s/\<$release\>/bookworm/g" "$file" >"$sources/bookworm-$(basename "$file")"
    done
    quietly apt-update-bookworm apt-get "${apt_private[@]}" update
fi

for package in "$@"; do
    fetched=false
    for version in $(apt-cache "${apt_private[@]}" showsrc "$package" 2>/dev/null | sed -n 's/^Version: //p' | sort -rVu); do
        if (cd "$dest" && apt-get "${apt_private[@]}" source "$package=$version") >>"$work/apt-source.log" 2>&1; then
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
