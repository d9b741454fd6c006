#!/usr/bin/env bash
# Checks a .deb with lintian, pedantic tags included: any tag at all fails,
# except those that lintian-overrides explains. Installs lintian if needed.
#
#   packaging/lint.sh PACKAGE.deb
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
if ! command -v lintian >/dev/null; then
    sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
    sudo_if_needed apt-get update -q >/dev/null
    sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends lintian >/dev/null
fi
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$1"
echo "lint.sh: $1 is clean"
