#!/bin/sh
# Starts Pellmor in its data folder, from wherever it is called: the game
# opens its pictures and its font by bare names from its working directory.
prefix=$(dirname "$(dirname "$(readlink -f "$0")")")
cd "$prefix/share/games/pellmor" || exit 1
exec "$prefix/lib/games/pellmor/pellmor" "$@"
