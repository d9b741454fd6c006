// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// What the player tests and the benchmark ask of any front end.
#include "front_end.h"

std::string differs(front_end& f, const screen_model& want, SDL_Rect area, int ms)
{
    for (const steady::time_point start = steady::now();; sleep_ms(10)) {
        std::string first;
        if (mismatches(want, f.shown(area), area, first, f.blends(area)) == 0 || ms_since(start) > ms) return first;
    }
}

// The cell is read again and again.
double step_latency(front_end& f, const char* key, int col)
{
    const SDL_Rect cell{static_cast<Sint16>((col + 1) * 50), 50, 50, 50};
    const screen_model figure = figure_screen(col);
    const steady::time_point pressed = steady::now();
    f.key(key, true);
    double latency = -1;
    for (std::string first; latency < 0 && ms_since(pressed) < 1000;)
        if (mismatches(figure, f.shown(cell), cell, first, f.blends(cell)) == 0) latency = ms_since(pressed);
    f.key(key, false);
    return latency;
}
