#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Makes a PNG of the game's screen, headless: the real game runs in data/
# under SDL's dummy video driver with a key script (see tests/keyscript.cpp),
# which saves the screen as SNAPSHOT: frame-N when frame N reads its keys
# (with "snap" in the script), delay-N at the Nth pause of a second or more
# (an outcome picture).
#   screenshot.sh PELLMOR KEYSCRIPT_SO BMP_TO_PNG DATA_DIR KEYS SNAPSHOT OUT.png
set -eu
[ $# -eq 7 ] || { echo "usage: $0 PELLMOR KEYSCRIPT_SO BMP_TO_PNG DATA_DIR KEYS SNAPSHOT OUT.png" >&2; exit 2; }
pellmor=$1 keyscript=$2 bmp_to_png=$3 data=$4 keys=$5 snapshot=$6 out=$7
snaps=$(mktemp -d)
trap 'rm -rf "$snaps"' EXIT
(cd "$data" && SDL_VIDEODRIVER=dummy LD_PRELOAD="$keyscript" PELLMOR_KEYS="$keys" PELLMOR_SNAP="$snaps" \
    "$pellmor" >/dev/null)
mkdir -p "$(dirname "$out")"
"$bmp_to_png" "$snaps/$snapshot.bmp" "$out"
echo "wrote $out"
