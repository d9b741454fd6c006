#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Builds what Pellmor ships twice from the last commit, in two folders, with another time zone, locale, umask and
# number of jobs, and requires the very same bytes: the .deb, the Windows zip, the page's zip (which holds each of its
# files) and the release's two source tarballs, which must also unpack into a folder of their own. Where they differ,
# diffoscope shows how (Debian's diffoscope-minimal, installed then if need be). Both builds share the Windows and web
# libraries that ./setup.sh keeps in ~/.cache/pellmor. Needs git and what ./setup.sh package, windows, web and
# source install.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(sed -n 's/^project(pellmor VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
shipped=(build/pellmor_*.deb build-windows/pellmor-windows.zip build-web/pellmor-web.zip build/pellmor-$version.tar.gz
         build/pellmor-$version-libraries.tar.gz)

# build FOLDER COMMAND...: a clone of the last commit in FOLDER, built by ./setup.sh as COMMAND runs it.
build() {
    local folder=$1
    shift
    git clone -q "$root" "$folder"
    (cd "$folder" && "$@" bash -c 'for action in package windows web source; do ./setup.sh $action; done') >"$folder.log" 2>&1 ||
        { tail -n 40 "$folder.log"; echo "reproducible.sh: the build in $folder failed" >&2; exit 1; }
}
build "$work/one" env TZ=UTC LC_ALL=C.UTF-8 bash -c 'umask 022 && exec "$@"' -
# Elsewhere, on the other side of the date line, in the plain C locale, files private to their owner, one job.
build "$work/another/pellmor-1.0" env TZ=NZST-12 LC_ALL=C bash -c 'umask 077 && exec taskset -c 0 "$@"' -

status=0
for file in "${shipped[@]}"; do
    one=$(echo "$work"/one/$file) another=$(echo "$work"/another/pellmor-1.0/$file)
    sha256sum "$one" "$another" | sed "s|$work/||"
    if ! cmp -s "$one" "$another"; then
        status=1
        echo "reproducible.sh: $file differs between the two builds" >&2
        command -v diffoscope >/dev/null || { [ "$(id -u)" -eq 0 ] && apt-get install -y -q diffoscope-minimal >/dev/null; } ||
            sudo apt-get install -y -q diffoscope-minimal >/dev/null || true
        diffoscope --text - "$one" "$another" | head -n 200 || true
    fi
done
for tarball in "$work/one/build/pellmor-$version.tar.gz" "$work/one/build/pellmor-$version-libraries.tar.gz"; do
    spilled=$(tar -tzf "$tarball" | grep -v "^pellmor-$version/" | head -n 5 || true)
    [ -z "$spilled" ] || { status=1; echo "reproducible.sh: $(basename "$tarball") has files outside pellmor-$version/:" $spilled >&2; }
done
[ $status -eq 0 ] && echo "reproducible.sh: the .deb, the Windows zip, the page and the source tarballs came out the same twice"
exit $status
