/* SDL_ttf 2.0's solid text rendering, over FreeType. The sizes follow SDL_ttf
   so that a text takes the same room with either library: the width runs
   from the leftmost ink (or pen start) to the furthest advance or ink, and
   the height is the font's line: ascent - descent + 1. */
#include "SDL_ttf.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdlib.h>

struct TTF_Font {
    FT_Face face;
    unsigned char* file_data; /* FreeType reads the face from here */
    int ascent;               /* pixels above the baseline, rounded up */
    int height;               /* the line: ascent - descent + 1 */
};

/* One glyph's box in whole pixels, relative to the pen on the baseline. */
struct glyph_box {
    FT_UInt index;
    int minx, maxx; /* ink from minx to maxx */
    int maxy;       /* top of the ink above the baseline */
    int advance;
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

void TTF_Quit(void)
{
    if (library)
        FT_Done_FreeType(library);
    library = NULL;
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
    if (!font)
        return;
    if (font->face)
        FT_Done_Face(font->face);
    free(font->file_data);
    free(font);
}

/* Loads the glyph for a Latin-1 character into the face's slot. */
static int load_glyph(TTF_Font* font, unsigned char c, struct glyph_box* box)
{
    const FT_Glyph_Metrics* m = &font->face->glyph->metrics;
    box->index = FT_Get_Char_Index(font->face, c);
    if (FT_Load_Glyph(font->face, box->index, FT_LOAD_DEFAULT) != 0) {
        SDL_SetError("Couldn't load glyph %u", (unsigned)c);
        return -1;
    }
    box->minx = floor_px(m->horiBearingX);
    box->maxx = box->minx + ceil_px(m->width);
    box->maxy = floor_px(m->horiBearingY);
    box->advance = ceil_px(m->horiAdvance);
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
    struct glyph_box box;
    for (; *text; ++text) {
        if (load_glyph(font, *text, &box) != 0)
            return -1;
        x += kerning(font, previous, box.index);
        if (x + box.minx < minx)
            minx = x + box.minx;
        if (x + (box.advance > box.maxx ? box.advance : box.maxx) > maxx)
            maxx = x + (box.advance > box.maxx ? box.advance : box.maxx);
        x += box.advance;
        previous = box.index;
    }
    return maxx - minx;
}

/* Ors the slot's monochrome bitmap into the surface as index 1, with its
   left edge at x and its top row at y; what falls outside is dropped. */
static void draw_glyph(SDL_Surface* s, const FT_Bitmap* bitmap, int width, int x, int y)
{
    int row, col;
    for (row = 0; row < (int)bitmap->rows; ++row) {
        Uint8* dst;
        const unsigned char* src = bitmap->buffer + row * bitmap->pitch;
        if (y + row < 0 || y + row >= s->h)
            continue;
        dst = (Uint8*)s->pixels + (y + row) * s->pitch;
        for (col = 0; col < width; ++col)
            if (x + col >= 0 && x + col < s->w && (src[col / 8] & (0x80 >> (col % 8))))
                dst[x + col] = 1;
    }
}

SDL_Surface* TTF_RenderText_Solid(TTF_Font* font, const char* text, SDL_Color fg)
{
    const unsigned char* c = (const unsigned char*)text;
    SDL_Color colours[2];
    SDL_Surface* s;
    struct glyph_box box;
    FT_UInt previous = 0;
    int x = 0;
    const int width = text_width(font, c);
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
        const FT_Bitmap* bitmap = &font->face->glyph->bitmap;
        int ink;
        if (load_glyph(font, *c, &box) != 0
            || FT_Render_Glyph(font->face->glyph, FT_RENDER_MODE_MONO) != 0) {
            SDL_FreeSurface(s);
            return NULL;
        }
        x += kerning(font, previous, box.index);
        /* Ink left of the first pen position is shifted into the surface. */
        if (c == (const unsigned char*)text && box.minx < 0)
            x -= box.minx;
        /* FreeType may report a bitmap wider than the glyph's box. */
        ink = (int)bitmap->width < box.maxx - box.minx ? (int)bitmap->width : box.maxx - box.minx;
        draw_glyph(s, bitmap, ink, x + box.minx, font->ascent - box.maxy);
        x += box.advance;
        previous = box.index;
    }
    return s;
}
