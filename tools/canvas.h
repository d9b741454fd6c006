// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// A small anti-aliased painter for the game's pictures: shapes are filled on
// a 4x supersampled grid, then each pixel is averaged. Pixels that no shape
// touches become pure red, the colour key; edge pixels are blended with the
// colour the picture will be seen on, so no red fringe shows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct rgb {
    double r, g, b;
};

struct point {
    double x, y;
};

class canvas {
public:
    canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // Paints colour wherever inside(x, y) holds, for x, y in pixels, within
    // the box [x0, x1) x [y0, y1).
    void fill(double x0, double y0, double x1, double y1, const std::function<bool(double, double)>& inside,
              rgb colour);

    void disc(double cx, double cy, double r, rgb colour);
    void ellipse(double cx, double cy, double rx, double ry, rgb colour);
    void ring(double cx, double cy, double r, double width, rgb colour);
    // Part of a ring, from angle a0 to a1 in degrees (0 = right, 90 = down).
    void arc(double cx, double cy, double r, double width, double a0, double a1, rgb colour);
    void line(point a, point b, double width, rgb colour);
    void polygon(const std::vector<point>& corners, rgb colour);
    // A star with n points between radii inner and outer, turned by angle.
    void star(double cx, double cy, int n, double inner, double outer, double angle, rgb colour);

    // Text in the given TrueType font, size in pixels, centred on cx.
    void text(const std::string& font_file, int size, const std::string& utf8, double cx, double top,
              rgb colour);

    // Writes a 24-bit BMP; behind is the colour the picture is shown on.
    void save_bmp(const std::string& path, rgb behind) const;

    // The picture as 8-bit RGBA rows, top first: untouched pixels are fully
    // transparent, edge pixels partly (for an icon shown on any colour).
    std::vector<std::uint8_t> rgba() const;

private:
    // The mean colour of what was painted in pixel (x, y), and the share of
    // its samples that were painted (0 when none was: then colour is black).
    double sample(int x, int y, rgb& colour) const;

    static constexpr int ss = 4;
    int width_, height_;
    std::vector<rgb> colour_;
    std::vector<std::uint8_t> covered_;
};
