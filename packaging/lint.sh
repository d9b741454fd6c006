#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Checks a .deb as a distribution and a software centre would: lintian with
# pedantic tags included (any tag at all fails, except those that
# lintian-overrides explains); then, in the package's files, the AppStream
# metainfo (appstreamcli validate --pedantic, then validate-tree: anything
# said fails, but the infos explained below) and the desktop entry
# (desktop-file-validate); then the source tree as the REUSE recommendations
# ask (reuse lint: every file says what it is under). Installs lintian,
# appstream, desktop-file-utils and reuse if need be.
#
#   packaging/lint.sh PACKAGE.deb
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
if ! command -v lintian >/dev/null || ! command -v appstreamcli >/dev/null || ! command -v desktop-file-validate >/dev/null ||
    ! command -v reuse >/dev/null; then
    sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
    sudo_if_needed apt-get update -q >/dev/null
    sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        lintian appstream desktop-file-utils reuse >/dev/null
fi
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$1"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$1" "$tree/deb"

# What AppStream may say of the metainfo, and why it is so:
# - cid-maybe-not-rdns: Debian 12's AppStream does not know the top-level
#   domain of the id, example (the domain of the maintainers' address);
# - unknown-tag developer: nor the newer <developer>, which sits beside the
#   older <developer_name> ...
# - developer-name-tag-deprecated: ... that Debian 13's calls deprecated.
# Anything else fails: a missing content rating, say, is only an info to
# Debian 12's, but a software centre hides an application without one.
explained='cid-maybe-not-rdns|unknown-tag developer|developer-name-tag-deprecated'
appstream() {
    local said
    said=$(appstreamcli "$@" 2>&1) || { echo "$said"; return 1; }
    echo "$said"
    ! grep -E '^ *[IWEP]: [^ ]+: ' <<<"$said" | grep -Evq ": ($explained)( |$)"
}
appstream validate --pedantic --no-net "$tree"/deb/usr/share/metainfo/*.metainfo.xml
appstream validate-tree --no-net "$tree/deb"
desktop-file-validate "$tree"/deb/usr/share/applications/*.desktop

# A checkout: what git tracks. A release's source has no git: what it holds,
# without what was built in it or the libraries' sources unpacked into it.
source=$(cd "$(dirname "$0")/.." && pwd)
if ! git -C "$source" rev-parse --git-dir >/dev/null 2>&1; then
    mkdir "$tree/source"
    tar -C "$source" --exclude='./build*' --exclude=./sources -cf - . | tar -C "$tree/source" -xf -
    source=$tree/source
fi
reuse --root "$source" lint -q || { reuse --root "$source" lint; exit 1; }
echo "lint.sh: $1 is clean, its metainfo and desktop entry valid; every file of the source says its licence"
