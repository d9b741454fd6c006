#include "screen.h"

#include <SDL_ttf.h>

#include <cstdio>
#include <cstdlib>

#include "level.h"

std::string board_trace()
{
    std::string trace;
    char line[64];
    for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 11; ++col) {
            std::snprintf(line, sizeof line, "x=%i y=%i \t %i\n", col, row, expected_code(col, row));
            trace += line;
        }
    }
    return trace;
}

SDL_Color pixel_at(SDL_Surface* surface, int x, int y)
{
    const Uint8 bpp = surface->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * bpp;
    Uint32 value = 0;
    switch (bpp) {
    case 2:
        value = *reinterpret_cast<const Uint16*>(p);
        break;
    case 3:
        value = static_cast<Uint32>(p[0]) | static_cast<Uint32>(p[1]) << 8 | static_cast<Uint32>(p[2]) << 16;
        break;
    default:
        value = *reinterpret_cast<const Uint32*>(p);
        break;
    }
    SDL_Color colour{0, 0, 0, 0};
    SDL_GetRGB(value, surface->format, &colour.r, &colour.g, &colour.b);
    return colour;
}

bool close_to(SDL_Color a, SDL_Color b)
{
    return std::abs(a.r - b.r) <= 8 && std::abs(a.g - b.g) <= 8 && std::abs(a.b - b.b) <= 8;
}

SDL_Color sprite_pixel(SDL_Surface* sprite, int x, int y, SDL_Color behind)
{
    if (!sprite || x >= sprite->w || y >= sprite->h)
        return behind;
    const SDL_Color c = pixel_at(sprite, x, y);
    return (c.r == 255 && c.g == 0 && c.b == 0) ? behind : c;
}

SDL_Surface* render_score_line(const std::string& text)
{
    static TTF_Font* font = TTF_Init() == 0 ? TTF_OpenFont(PELLMOR_DATA_DIR "/delusion.ttf", 60) : nullptr;
    return font ? TTF_RenderText_Solid(font, text.c_str(), yellow) : nullptr;
}

bool inked(SDL_Surface* text, int x, int y)
{
    return text && x >= 0 && y >= 0 && x < text->w && y < text->h &&
           static_cast<Uint8*>(text->pixels)[y * text->pitch + x] != text->format->colorkey;
}
