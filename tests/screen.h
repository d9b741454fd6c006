// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// What the game should print and show, as the tests work it out: the board trace, pixels of the screen and of
// sprites, and score lines rendered here.
#pragma once

#include <cctype>
#include <functional>
#include <memory>
#include <string>

#include <SDL.h>

struct surface_deleter { void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); } };
using surface_ptr = std::unique_ptr<SDL_Surface, surface_deleter>;  // made or loaded by a test, freed when it goes

// The level as the tests expect it, row by row: '.' empty, '1' a point, '2' a bomb. Written out by hand,
// independently of the game's own table.
constexpr const char* expected_level[7] = {
    ".12...2....",
    "2.....1..1.",
    ".2..1.1....",
    ".11..22....",
    ".22.1..1.11",
    "1....2...12",
    "..1.1.1...1",
};

inline int expected_code(int col, int row) { return expected_level[row][col] == '.' ? 0 : expected_level[row][col] - '0'; }

std::string board_trace();                               // the 77 lines that a round's start prints
SDL_Color pixel_at(SDL_Surface* surface, int x, int y);  // of a 16-, 24- or 32-bit surface

const SDL_Color background{128, 64, 0, 0}, black{0, 0, 0, 0}, yellow{255, 255, 0, 0}, white{255, 255, 255, 0};
// No picture's colour: in a model, whatever shows there is right; read off a snapshot, it is what lies outside it.
const SDL_Color no_colour{1, 2, 3, 0};

// Equal as far as the display's 16-bit pixels, 5, 6 and 5 bits for red, green and blue, can tell.
bool close_to(SDL_Color a, SDL_Color b);

// What the screen shows where a sprite's pixel (x, y) is drawn over the colour behind: the pixel, or behind where
// it is pure red or off the sprite.
SDL_Color sprite_pixel(SDL_Surface* sprite, int x, int y, SDL_Color behind = background);

// A screen as the tests expect it, or as a display shows it: the colour of each pixel of the game's 640x480.
using screen_model = std::function<SDL_Color(int x, int y)>;

screen_model round_start_screen();  // the level, the figures on their start cells and the score line 0 below
screen_model picture_screen(const char* file);  // an outcome picture at (50, 50) on black, its red showing the black
screen_model score_band_screen(const std::string& text);  // the band below the board with this score line in it
screen_model surface_screen(SDL_Surface* shot);           // a surface's pixels
screen_model figure_screen(int col);                      // the figure on cell (col, 0), over whatever was there

// The pixels of area in which got is not close to want (but where it wants no_colour); the first of them is
// described in first. A display that scales the game blends neighbouring pixels: then only pixels whose eight
// neighbours want the same colour count.
int mismatches(const screen_model& want, const screen_model& got, SDL_Rect area, std::string& first, bool blended = false);
constexpr SDL_Rect whole_screen{0, 0, 640, 480};
constexpr SDL_Rect score_band{10, 412, 600, 68};

// A table row's words as a test's name: its letters and digits, each run of anything else one '_'.
inline std::string case_name(const std::string& words)
{
    std::string name;
    for (char c : words)
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
        else if (!name.empty() && name.back() != '_')
            name += '_';
    return name.back() == '_' ? name.substr(0, name.size() - 1) : name;
}
// A test's name from its table row's words.
inline const auto row_name = [](const auto& row) { return case_name(row.param.what); };
