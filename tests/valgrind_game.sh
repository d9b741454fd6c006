#!/usr/bin/env bash
# A whole game, won, under valgrind's memcheck: no invalid read or write, no
# use of uninitialised memory and nothing definitely or indirectly lost,
# but what valgrind.supp lists (each entry says why). The game's output must
# still be what the referee says.
#
#   valgrind_game.sh PELLMOR KEYSCRIPT REFEREE_CLI DATA_DIR SUPPRESSIONS
set -euo pipefail
game=$1 keyscript=$2 referee=$3 data=$4 suppressions=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -L "$data"/*.bmp "$data/delusion.ttf" "$work/"
keys=$("$referee" plan-win)
"$referee" out "$keys" >"$work/expected"

cd "$work"
status=0
# valgrind follows env into the game, so that the key script is preloaded
# into the game and not into valgrind's launcher.
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy valgrind --quiet --trace-children=yes \
    --error-exitcode=42 --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --suppressions="$suppressions" --log-file="$work/valgrind.log" \
    env LD_PRELOAD="$keyscript" PELLMOR_KEYS="$keys" "$game" >"$work/out" || status=$?
if [ "$status" -ne 0 ] || [ -s "$work/valgrind.log" ]; then
    cat "$work/valgrind.log"
    echo "valgrind_game.sh: exit status $status" >&2
    exit 1
fi
cmp "$work/out" "$work/expected" || { echo "valgrind_game.sh: the game printed otherwise than the referee" >&2; exit 1; }
echo "valgrind_game.sh: won in $(echo "$keys" | tr ',' '\n' | wc -l) frames, no errors"
