// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The eight surfaces of the run and the colours that every drawing shares.
#pragma once

#include <SDL.h>

extern SDL_Surface* screen;          // the display
extern SDL_Surface* typ;             // the player's figure
extern SDL_Surface* punkt;           // a point
extern SDL_Surface* bombe;           // a bomb
extern SDL_Surface* monster;         // all three monsters
extern SDL_Surface* todbild;         // shown after stepping on a bomb
extern SDL_Surface* winbild;         // shown after collecting every point
extern SDL_Surface* monstertodbild;  // shown after a monster caught the player

// The board's brown, mapped afresh from the screen's format at every use.
Uint32 background_colour();

// Pure red is transparent in every sprite and picture.
void set_colour_key(SDL_Surface* surface);
