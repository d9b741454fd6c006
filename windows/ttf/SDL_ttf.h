/* SPDX-FileCopyrightText: 2026 The Pellmor developers */
/* SPDX-License-Identifier: MIT */

/* A small stand-in for SDL_ttf 2.0, for builds where the real library is
   not at hand (the Windows cross build): the calls that Pellmor makes, with
   SDL_ttf's solid rendering, over FreeType. Scalable fonts only; no styles,
   no hinting choices, no UTF-8 or UNICODE entry points. */
#ifndef SDL_TTF_STANDIN_H
#define SDL_TTF_STANDIN_H

#include "SDL.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TTF_Font TTF_Font;

/* 0 on success, -1 with the reason in SDL_GetError(). */
int TTF_Init(void);

/* A font at ptsize points (at 72 dpi, so one point is one pixel); null with
   the reason in SDL_GetError() if the file cannot be read as a font. */
TTF_Font* TTF_OpenFont(const char* file, int ptsize);
void TTF_CloseFont(TTF_Font* font);

/* A Latin-1 character's box and advance in pixels, relative to the pen on
   the baseline (y upwards); -1 if FreeType cannot load it. Nothing is
   drawn to find out. */
int TTF_GlyphMetrics(TTF_Font* font, Uint16 ch, int* minx, int* maxx, int* miny, int* maxy, int* advance);

/* The size of the surface that TTF_RenderText_Solid makes for the text; -1
   if a glyph cannot be loaded. Nothing is drawn to find out. */
int TTF_SizeText(TTF_Font* font, const char* text, int* w, int* h);

/* The Latin-1 text in fg on an 8-bit surface: palette index 0 is the
   transparent background (colour key 0), index 1 the ink. Null with the
   reason in SDL_GetError() for text without width. */
SDL_Surface* TTF_RenderText_Solid(TTF_Font* font, const char* text, SDL_Color fg);

#define TTF_SetError SDL_SetError
#define TTF_GetError SDL_GetError

#ifdef __cplusplus
}
#endif

#endif
