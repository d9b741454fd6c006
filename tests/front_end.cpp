// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// What the player tests and the benchmark ask of any front end.
#include "front_end.h"

#include <cmath>

screen_model placement::shown(const grabber& grab, int width, int height, SDL_Rect area)
{
    const bool whole = area.w == 640 && area.h == 480;
    auto at = [&](int n) { return static_cast<int>(n * scale); };
    const auto screen = whole ? grab(0, 0, width, height) : grab(left + at(area.x), top + at(area.y), at(area.w) + 2, at(area.h) + 2);
    int l = width, t = height, r = -1, b = -1;
    for (int py = 0; whole && py < height; ++py)
        for (int px = 0; px < width; ++px)
            if (close_to(screen(px, py), background))
                l = std::min(l, px), r = std::max(r, px), t = std::min(t, py), b = std::max(b, py);
    if (r >= 0 && std::abs((b - t + 1) / 480.0 - (r - l + 1) / 640.0) < 0.01)
        left = l, top = t, scale = (r - l + 1) / 640.0;
    return [screen, l = left, t = top, s = scale](int gx, int gy) {
        return s > 0 ? screen(l + static_cast<int>((gx + 0.5) * s), t + static_cast<int>((gy + 0.5) * s)) : no_colour;
    };
}

std::string differs(front_end& f, const screen_model& want, SDL_Rect area, int ms)
{
    for (const steady::time_point start = steady::now();; sleep_ms(10)) {
        std::string first;
        const screen_model got = f.shown(area);  // first: it finds where the board is now, and so whether it blends
        if (mismatches(want, got, area, first, f.blends(area)) == 0 || ms_since(start) > ms) return first;
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
    for (std::string first; latency < 0 && ms_since(pressed) < 1000;) {
        const screen_model got = f.shown(cell);
        if (mismatches(figure, got, cell, first, f.blends(cell)) == 0) latency = ms_since(pressed);
    }
    f.key(key, false);
    return latency;
}
