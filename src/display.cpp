// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

#include "display.h"

SDL_Surface* screen = nullptr;
SDL_Surface* typ = nullptr;
SDL_Surface* punkt = nullptr;
SDL_Surface* bombe = nullptr;
SDL_Surface* monster = nullptr;
SDL_Surface* todbild = nullptr;
SDL_Surface* winbild = nullptr;
SDL_Surface* monstertodbild = nullptr;

Uint32 background_colour()
{
    return SDL_MapRGB(screen->format, 128, 64, 0);
}

void set_colour_key(SDL_Surface* surface)
{
    SDL_SetColorKey(surface, SDL_SRCCOLORKEY, SDL_MapRGB(surface->format, 255, 0, 0));
}
