#!/bin/sh
# Starts Pellmor in its data folder, from wherever it is called: the game
# opens its pictures and its font by bare names from its working directory.
prefix=$(dirname "$(dirname "$(readlink -f "$0")")")
cd "$prefix/share/games/pellmor" || exit 1
# Idle, the game flips as fast as it can; sdl12-compat then waits for the
# display's refresh, as SDL 1.2 documents a double-buffered flip to do (the
# classic library cannot wait).
SDL12COMPAT_SYNC_TO_VBLANK=${SDL12COMPAT_SYNC_TO_VBLANK:-1}
export SDL12COMPAT_SYNC_TO_VBLANK
exec "$prefix/lib/games/pellmor/pellmor" "$@"
