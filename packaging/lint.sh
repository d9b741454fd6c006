#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Checks a .deb as a distribution and a software centre would: lintian with
# pedantic tags included (any tag at all fails, except those that
# lintian-overrides explains); then, in the package's files, the AppStream
# metainfo (appstreamcli validate --pedantic, then validate-tree: nothing
# above an info may be said) and the desktop entry (desktop-file-validate).
# Installs lintian, appstream and desktop-file-utils if need be.
#
#   packaging/lint.sh PACKAGE.deb
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
if ! command -v lintian >/dev/null || ! command -v appstreamcli >/dev/null || ! command -v desktop-file-validate >/dev/null; then
    sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
    sudo_if_needed apt-get update -q >/dev/null
    sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        lintian appstream desktop-file-utils >/dev/null
fi
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$1"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$1" "$tree"
appstreamcli validate --pedantic --no-net "$tree"/usr/share/metainfo/*.metainfo.xml
appstreamcli validate-tree --no-net "$tree"
desktop-file-validate "$tree"/usr/share/applications/*.desktop
echo "lint.sh: $1 is clean, its metainfo and desktop entry valid"
