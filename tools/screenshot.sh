#!/bin/sh
# Makes a PNG of the game's screen, headless: the real game runs in data/
# under SDL's dummy video driver with a key script (see tests/keyscript.cpp)
# and the screen is saved when frame FRAME reads its keys.
#   screenshot.sh PELLMOR KEYSCRIPT_SO BMP_TO_PNG DATA_DIR KEYS FRAME OUT.png
set -eu
[ $# -eq 7 ] || { echo "usage: $0 PELLMOR KEYSCRIPT_SO BMP_TO_PNG DATA_DIR KEYS FRAME OUT.png" >&2; exit 2; }
pellmor=$1 keyscript=$2 bmp_to_png=$3 data=$4 keys=$5 frame=$6 out=$7
snaps=$(mktemp -d)
trap 'rm -rf "$snaps"' EXIT
(cd "$data" && SDL_VIDEODRIVER=dummy LD_PRELOAD="$keyscript" PELLMOR_KEYS="$keys" PELLMOR_SNAP="$snaps" \
    "$pellmor" >/dev/null)
mkdir -p "$(dirname "$out")"
"$bmp_to_png" "$snaps/frame-$frame.bmp" "$out"
echo "wrote $out"
