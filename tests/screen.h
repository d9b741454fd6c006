// What the game should print and show, as the tests work it out: the board
// trace, pixels of the screen and of sprites, and score lines rendered here.
#pragma once

#include <memory>
#include <string>

#include <SDL.h>

struct surface_deleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
// A surface that the test made or loaded, freed when it goes.
using surface_ptr = std::unique_ptr<SDL_Surface, surface_deleter>;

// The 77 lines that the round-start drawing prints for the full level.
std::string board_trace();

// The colour of a pixel of a 16-, 24- or 32-bit surface.
SDL_Color pixel_at(SDL_Surface* surface, int x, int y);

const SDL_Color background{128, 64, 0, 0};
const SDL_Color black{0, 0, 0, 0};
const SDL_Color yellow{255, 255, 0, 0};
const SDL_Color white{255, 255, 255, 0};

// Equal as far as the display's 16-bit pixels, with 5 or 6 bits per
// channel, can tell.
bool close_to(SDL_Color a, SDL_Color b);

// What the screen shows where a sprite's pixel (x, y) is drawn over the
// colour behind: the pixel, or behind where it is pure red or off the sprite.
SDL_Color sprite_pixel(SDL_Surface* sprite, int x, int y, SDL_Color behind = background);

// A score line rendered here as the game renders it; null if it cannot be.
SDL_Surface* render_score_line(const std::string& text);

// Whether a rendered text has ink at (x, y), which may lie outside it.
bool inked(SDL_Surface* text, int x, int y);
