// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The data files checked before the game relies on them: a picture's header
// before SDL reads it, the font against the score lines it will draw. Each
// check leaves the reason for a refusal in SDL's error.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

// Whether SDL may load the picture: its header is sound, or the file cannot
// be read, which SDL reports in its own words.
bool picture_may_load(const char* file);

// Whether the font draws the score lines up to total_points, with ink and
// within the screen's reach: every line measured, each character and the
// widest line drawn, without the font's claims deciding the time or memory
// it takes to find out.
bool font_draws_score_lines(TTF_Font* font, SDL_Color colour, int total_points);
