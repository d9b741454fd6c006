// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

#include "screen.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

surface_ptr load_sprite(const char* file)
{
    surface_ptr sprite(SDL_LoadBMP((std::string(PELLMOR_DATA_DIR) + "/" + file).c_str()));
    if (!sprite) std::fprintf(stderr, "cannot load %s: %s\n", file, SDL_GetError());
    return sprite;
}

std::string describe(SDL_Color c)
{
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

// A score line rendered here as the game renders it; null if it cannot be.
SDL_Surface* render_score_line(const std::string& text)
{
    static TTF_Font* font = TTF_Init() == 0 ? TTF_OpenFont(PELLMOR_DATA_DIR "/delusion.ttf", 60) : nullptr;
    return font ? TTF_RenderText_Solid(font, text.c_str(), yellow) : nullptr;
}

// Whether a rendered text has ink at (x, y), which may lie outside it.
bool inked(SDL_Surface* text, int x, int y)
{
    return text && x >= 0 && y >= 0 && x < text->w && y < text->h &&
           static_cast<Uint8*>(text->pixels)[y * text->pitch + x] != text->format->colorkey;
}

}  // namespace

std::string board_trace()
{
    std::string trace;
    char line[32];
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 11; ++col)
            trace.append(line, std::snprintf(line, sizeof line, "x=%i y=%i \t %i\n", col, row, expected_code(col, row)));
    return trace;
}

// Little-endian, as the machines that run the tests keep pixels.
SDL_Color pixel_at(SDL_Surface* surface, int x, int y)
{
    const Uint8 bpp = surface->format->BytesPerPixel;
    Uint32 value = 0;
    std::memcpy(&value, static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * bpp, bpp);
    SDL_Color colour{0, 0, 0, 0};
    SDL_GetRGB(value, surface->format, &colour.r, &colour.g, &colour.b);
    return colour;
}

bool close_to(SDL_Color a, SDL_Color b)
{
    return a.r >> 3 == b.r >> 3 && a.g >> 2 == b.g >> 2 && a.b >> 3 == b.b >> 3;
}

SDL_Color sprite_pixel(SDL_Surface* sprite, int x, int y, SDL_Color behind)
{
    if (!sprite || x < 0 || y < 0 || x >= sprite->w || y >= sprite->h) return behind;
    const SDL_Color c = pixel_at(sprite, x, y);
    return (c.r == 255 && c.g == 0 && c.b == 0) ? behind : c;
}

// The figure's 51x51 erase has cleared the first pixel column of the point to its right and the first pixel row of
// the bomb below it.
screen_model round_start_screen()
{
    std::shared_ptr<SDL_Surface> figure = load_sprite("typ.bmp"), punkt = load_sprite("punkt.bmp"),
                                 bombe = load_sprite("bombe.bmp"), monster = load_sprite("monster.bmp");
    const screen_model band = score_band_screen("PUNKTE: 0 VON 17");
    return [=](int x, int y) {
        const int col = x / 50 - 1, row = y / 50 - 1;
        if (col < 0 || col > 10 || row < 0 || row > 6) return band(x, y);
        SDL_Surface* sprite = expected_code(col, row) == 1 ? punkt.get() : expected_code(col, row) ? bombe.get() : nullptr;
        if ((col == 10 && row == 0) || (col == 9 && row == 6) || (col == 0 && row == 6)) sprite = monster.get();
        if (col == 0 && row == 0) sprite = figure.get();
        const bool erased = (x == 100 && y <= 100) || (y == 100 && x <= 100);
        return erased ? background : sprite_pixel(sprite, x % 50, y % 50);
    };
}

screen_model picture_screen(const char* file)
{
    std::shared_ptr<SDL_Surface> picture = load_sprite(file);
    return [=](int x, int y) { return x < 50 || y < 50 ? black : sprite_pixel(picture.get(), x - 50, y - 50, black); };
}

screen_model score_band_screen(const std::string& text)
{
    std::shared_ptr<SDL_Surface> line(render_score_line(text), surface_deleter());
    if (!line) std::fprintf(stderr, "cannot render %s: %s\n", text.c_str(), SDL_GetError());
    return [=](int x, int y) { return inked(line.get(), x - 10, y - 412) ? yellow : background; };
}

screen_model surface_screen(SDL_Surface* shot)
{
    return [shot](int x, int y) { return shot && x < shot->w && y < shot->h ? pixel_at(shot, x, y) : no_colour; };
}

screen_model figure_screen(int col)
{
    std::shared_ptr<SDL_Surface> figure = load_sprite("typ.bmp");
    return [=](int x, int y) { return sprite_pixel(figure.get(), x - (col + 1) * 50, y - 50, no_colour); };
}

int mismatches(const screen_model& want, const screen_model& got, SDL_Rect area, std::string& first, bool blended)
{
    auto same = [](SDL_Color a, SDL_Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
    int count = 0;
    for (int y = area.y; y < area.y + area.h; ++y) {
        for (int x = area.x; x < area.x + area.w; ++x) {
            const SDL_Color w = want(x, y);
            bool uniform = !same(w, no_colour);
            for (int dy = -1; blended && uniform && dy <= 1; ++dy)
                for (int dx = -1; uniform && dx <= 1; ++dx)
                    uniform = same(w, want(std::clamp(x + dx, 0, 639), std::clamp(y + dy, 0, 479)));
            if (!uniform) continue;
            const SDL_Color g = got(x, y);
            if (close_to(g, w)) continue;
            if (count++ == 0)
                first = "pixel (" + std::to_string(x) + "," + std::to_string(y) + ") is " + describe(g) +
                        ", expected " + describe(w);
        }
    }
    return count;
}
