#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Starts Pellmor in its data folder, from wherever it is called: the game
# opens its pictures and its font by bare names from its working directory.
prefix=$(dirname "$(dirname "$(readlink -f "$0")")")
cd "$prefix/share/games/pellmor" || exit 1
# With sdl12-compat, a frame that reaches the display waits for its refresh,
# as SDL 1.2 documents a double-buffered flip to do, so that it does not
# tear; and the game full-screen is scaled up with its pixels sharp, as the
# Windows build and the page scale it, which also costs a software OpenGL
# half as much. The classic library does neither.
SDL12COMPAT_SYNC_TO_VBLANK=${SDL12COMPAT_SYNC_TO_VBLANK:-1}
SDL12COMPAT_SCALE_METHOD=${SDL12COMPAT_SCALE_METHOD:-nearest}
export SDL12COMPAT_SYNC_TO_VBLANK SDL12COMPAT_SCALE_METHOD
exec "$prefix/lib/games/pellmor/pellmor" "$@"
