/* SPDX-FileCopyrightText: 2026 The Pellmor developers */
/* SPDX-License-Identifier: MIT */

/* SDL_ttf 2.0's solid text rendering, over FreeType. The sizes follow SDL_ttf
   so that a text takes the same room with either library: the width runs
   from the leftmost ink (or pen start) to the furthest advance or ink, and
   the height is the font's line: ascent - descent + 1. */
#include "SDL_ttf.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdlib.h>
#include <string.h>

/* One glyph's box in whole pixels, relative to the pen on the baseline,
   measured on first use, and its monochrome bitmap, rendered on first
   drawing: once per font, since the same few characters are drawn again in
   every frame, and never for a glyph that is only measured. */
struct glyph {
    int state;      /* 0 not loaded yet, 1 measured, 2 rendered too, -1 failed */
    FT_UInt index;
    int minx, maxx; /* ink from minx to maxx */
    int miny, maxy; /* and from miny to maxy above the baseline */
    int advance;
    unsigned char* bits; /* FreeType's rows, top first, one bit per pixel */
    int rows, width, pitch;
};

struct TTF_Font {
    FT_Face face;
    unsigned char* file_data; /* FreeType reads the face from here */
    int ascent;               /* pixels above the baseline, rounded up */
    int height;               /* the line: ascent - descent + 1 */
    struct glyph glyphs[256]; /* one for each Latin-1 character */
};

static FT_Library library;

/* 26.6 fixed point to whole pixels. */
static int floor_px(FT_Pos x) { return (int)((x & -64) / 64); }
static int ceil_px(FT_Pos x) { return (int)(((x + 63) & -64) / 64); }

int TTF_Init(void)
{
    if (library)
        return 0;
    if (FT_Init_FreeType(&library) != 0) {
        library = NULL;
        SDL_SetError("Couldn't init FreeType engine");
        return -1;
    }
    return 0;
}

/* The whole file, through SDL's own file access; null if it can't be read. */
static unsigned char* read_file(const char* file, long* size)
{
    SDL_RWops* rw = SDL_RWFromFile(file, "rb");
    unsigned char* data = NULL;
    if (!rw)
        return NULL;
    *size = SDL_RWseek(rw, 0, RW_SEEK_END);
    if (*size > 0 && SDL_RWseek(rw, 0, RW_SEEK_SET) == 0)
        data = malloc((size_t)*size);
    if (data && SDL_RWread(rw, data, 1, (int)*size) != (int)*size) {
        free(data);
        data = NULL;
    }
    if (!data)
        SDL_SetError("Couldn't read font file %s", file);
    SDL_RWclose(rw);
    return data;
}

TTF_Font* TTF_OpenFont(const char* file, int ptsize)
{
    TTF_Font* font;
    long size = 0;
    FT_Fixed scale;
    if (!library) {
        SDL_SetError("Library not initialized");
        return NULL;
    }
    font = calloc(1, sizeof *font);
    if (!font) {
        SDL_OutOfMemory();
        return NULL;
    }
    font->file_data = read_file(file, &size);
    if (!font->file_data) {
        free(font);
        return NULL;
    }
    if (FT_New_Memory_Face(library, font->file_data, size, 0, &font->face) != 0) {
        SDL_SetError("Couldn't load font file");
        font->face = NULL;
        TTF_CloseFont(font);
        return NULL;
    }
    if (!FT_IS_SCALABLE(font->face) || ptsize <= 0
        || FT_Set_Char_Size(font->face, 0, (FT_F26Dot6)ptsize * 64, 0, 0) != 0) {
        SDL_SetError("Couldn't set font size");
        TTF_CloseFont(font);
        return NULL;
    }
    scale = font->face->size->metrics.y_scale;
    font->ascent = ceil_px(FT_MulFix(font->face->ascender, scale));
    font->height = font->ascent - ceil_px(FT_MulFix(font->face->descender, scale)) + 1;
    return font;
}

void TTF_CloseFont(TTF_Font* font)
{
    int c;
    if (!font)
        return;
    for (c = 0; c < 256; ++c)
        free(font->glyphs[c].bits);
    if (font->face)
        FT_Done_Face(font->face);
    free(font->file_data);
    free(font);
}

/* The glyph for a Latin-1 character, measured and, when drawn is set,
   rendered; null with the reason in SDL_GetError() if FreeType cannot. */
static const struct glyph* find_glyph(TTF_Font* font, unsigned char c, int drawn)
{
    struct glyph* g = &font->glyphs[c];
    const FT_GlyphSlot slot = font->face->glyph;
    if (g->state == 0) {
        g->state = -1;
        g->index = FT_Get_Char_Index(font->face, c);
        if (FT_Load_Glyph(font->face, g->index, FT_LOAD_DEFAULT) == 0) {
            g->minx = floor_px(slot->metrics.horiBearingX);
            g->maxx = g->minx + ceil_px(slot->metrics.width);
            g->maxy = floor_px(slot->metrics.horiBearingY);
            g->miny = g->maxy - ceil_px(slot->metrics.height);
            g->advance = ceil_px(slot->metrics.horiAdvance);
            g->state = 1;
        }
    }
    /* A monochrome rendering runs top down: its pitch is positive. */
    if (g->state == 1 && drawn) {
        g->state = -1;
        if (FT_Load_Glyph(font->face, g->index, FT_LOAD_DEFAULT) == 0
            && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0 && slot->bitmap.pitch >= 0) {
            g->rows = (int)slot->bitmap.rows;
            g->width = (int)slot->bitmap.width;
            g->pitch = slot->bitmap.pitch;
            g->bits = malloc((size_t)g->rows * g->pitch + 1);
            if (g->bits) {
                memcpy(g->bits, slot->bitmap.buffer, (size_t)g->rows * g->pitch);
                g->state = 2;
            }
        }
    }
    if (g->state < 0) {
        SDL_SetError("Couldn't load glyph %u", (unsigned)c);
        return NULL;
    }
    return g;
}

int TTF_GlyphMetrics(TTF_Font* font, Uint16 ch, int* minx, int* maxx, int* miny, int* maxy, int* advance)
{
    const struct glyph* g = ch < 256 ? find_glyph(font, (unsigned char)ch, 0) : NULL;
    if (!g) {
        if (ch >= 256)
            SDL_SetError("Couldn't find glyph %u", (unsigned)ch);
        return -1;
    }
    if (minx) *minx = g->minx;
    if (maxx) *maxx = g->maxx;
    if (miny) *miny = g->miny;
    if (maxy) *maxy = g->maxy;
    if (advance) *advance = g->advance;
    return 0;
}

/* The kerning between two glyphs, in whole pixels (0 without kerning). */
static int kerning(TTF_Font* font, FT_UInt left, FT_UInt right)
{
    FT_Vector delta;
    if (!FT_HAS_KERNING(font->face) || !left || !right)
        return 0;
    if (FT_Get_Kerning(font->face, left, right, FT_KERNING_DEFAULT, &delta) != 0)
        return 0;
    return (int)(delta.x >> 6);
}

/* The text's width in pixels, or -1 if a glyph can't be loaded. */
static int text_width(TTF_Font* font, const unsigned char* text)
{
    int x = 0, minx = 0, maxx = 0;
    FT_UInt previous = 0;
    for (; *text; ++text) {
        const struct glyph* g = find_glyph(font, *text, 0);
        if (!g)
            return -1;
        x += kerning(font, previous, g->index);
        if (x + g->minx < minx)
            minx = x + g->minx;
        if (x + (g->advance > g->maxx ? g->advance : g->maxx) > maxx)
            maxx = x + (g->advance > g->maxx ? g->advance : g->maxx);
        x += g->advance;
        previous = g->index;
    }
    return maxx - minx;
}

int TTF_SizeText(TTF_Font* font, const char* text, int* w, int* h)
{
    const int width = text_width(font, (const unsigned char*)text);
    if (width < 0)
        return -1;
    if (w) *w = width;
    if (h) *h = font->height;
    return 0;
}

/* Ors the glyph's bitmap into the surface as index 1, width pixels of each
   row, with its left edge at x and its top row at y; what falls outside is
   dropped. */
static void draw_glyph(SDL_Surface* s, const struct glyph* g, int width, int x, int y)
{
    /* The columns that fall on the surface; eight at a time, as most are
       blank: a page draws the score line in every frame, idle ones too. */
    const int first = x < 0 ? -x : 0, end = x + width > s->w ? s->w - x : width;
    int row, col;
    for (row = 0; row < g->rows; ++row) {
        Uint8* dst;
        const unsigned char* src = g->bits + row * g->pitch;
        if (y + row < 0 || y + row >= s->h)
            continue;
        dst = (Uint8*)s->pixels + (y + row) * s->pitch;
        for (col = first; col < end; ++col) {
            if (col % 8 == 0 && src[col / 8] == 0 && col + 8 <= end) {
                col += 7;
                continue;
            }
            if (src[col / 8] & (0x80 >> (col % 8)))
                dst[x + col] = 1;
        }
    }
}

#ifdef __EMSCRIPTEN__
/* In a web page, a program that starts by drawing many texts lets the page
   have its turns between them (web/sdl/SDL_webvideo.c). */
extern void WEB_Loading(void);
#endif

SDL_Surface* TTF_RenderText_Solid(TTF_Font* font, const char* text, SDL_Color fg)
{
    const unsigned char* c = (const unsigned char*)text;
    SDL_Color colours[2];
    SDL_Surface* s;
    FT_UInt previous = 0;
    int x = 0;
    int width;
#ifdef __EMSCRIPTEN__
    WEB_Loading();
#endif
    width = text_width(font, c);
    if (width <= 0) {
        if (width == 0)
            SDL_SetError("Text has zero width");
        return NULL;
    }
    s = SDL_CreateRGBSurface(SDL_SWSURFACE, width, font->height, 8, 0, 0, 0, 0);
    if (!s)
        return NULL;
    colours[0].r = 255 - fg.r;
    colours[0].g = 255 - fg.g;
    colours[0].b = 255 - fg.b;
    colours[1] = fg;
    SDL_SetColors(s, colours, 0, 2);
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, 0); /* SDL clears a new surface to 0 */

    for (; *c; ++c) {
        const struct glyph* g = find_glyph(font, *c, 1);
        if (!g) {
            SDL_FreeSurface(s);
            return NULL;
        }
        x += kerning(font, previous, g->index);
        /* Ink left of the first pen position is shifted into the surface. */
        if (c == (const unsigned char*)text && g->minx < 0)
            x -= g->minx;
        /* FreeType may report a bitmap wider than the glyph's box. */
        draw_glyph(s, g, g->width < g->maxx - g->minx ? g->width : g->maxx - g->minx, x + g->minx,
                   font->ascent - g->maxy);
        x += g->advance;
        previous = g->index;
    }
    return s;
}
