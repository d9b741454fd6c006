// What the game should print and show, as the tests work it out: the board
// trace, pixels of the screen and of sprites, and score lines rendered here.
#pragma once

#include <functional>
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

// A screen as the tests expect it, or as a display shows it: the colour of
// each pixel of the game's 640x480.
using screen_model = std::function<SDL_Color(int x, int y)>;

// A round's first frame: the level's points and bombs, the monsters on their
// start cells, the figure on (0, 0) and the score line 0 below the board.
screen_model round_start_screen();
// An outcome picture at (50, 50) on black, its red pixels showing the black.
screen_model picture_screen(const char* file);
// The band below the board with this score line in it.
screen_model score_band_screen(const std::string& text);
// A surface's pixels.
screen_model surface_screen(SDL_Surface* shot);

// The pixels of area in which got is not close to want; the first of them is
// described in first. A display that scales the game blends neighbouring
// pixels: then only pixels whose eight neighbours want the same colour count.
int mismatches(const screen_model& want, const screen_model& got, SDL_Rect area, std::string& first,
               bool blended = false);
constexpr SDL_Rect whole_screen{0, 0, 640, 480};
constexpr SDL_Rect score_band{10, 412, 600, 68};
