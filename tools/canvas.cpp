// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

#include "canvas.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {

constexpr double pi = 3.14159265358979323846;

double clamp_channel(double v)
{
    return std::min(255.0, std::max(0.0, std::round(v)));
}

void put_le(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

canvas::canvas(int width, int height)
    : width_(width), height_(height), colour_(static_cast<size_t>(width * ss) * height * ss),
      covered_(colour_.size(), 0)
{
}

void canvas::fill(double x0, double y0, double x1, double y1, const std::function<bool(double, double)>& inside,
                  rgb colour)
{
    const int sx0 = std::max(0, static_cast<int>(std::floor(x0 * ss)));
    const int sy0 = std::max(0, static_cast<int>(std::floor(y0 * ss)));
    const int sx1 = std::min(width_ * ss, static_cast<int>(std::ceil(x1 * ss)));
    const int sy1 = std::min(height_ * ss, static_cast<int>(std::ceil(y1 * ss)));
    for (int sy = sy0; sy < sy1; ++sy) {
        for (int sx = sx0; sx < sx1; ++sx) {
            if (!inside((sx + 0.5) / ss, (sy + 0.5) / ss))
                continue;
            const size_t i = static_cast<size_t>(sy) * width_ * ss + sx;
            colour_[i] = colour;
            covered_[i] = 1;
        }
    }
}

void canvas::disc(double cx, double cy, double r, rgb colour)
{
    ellipse(cx, cy, r, r, colour);
}

void canvas::ellipse(double cx, double cy, double rx, double ry, rgb colour)
{
    fill(cx - rx, cy - ry, cx + rx, cy + ry,
         [=](double x, double y) {
             const double dx = (x - cx) / rx, dy = (y - cy) / ry;
             return dx * dx + dy * dy <= 1.0;
         },
         colour);
}

void canvas::ring(double cx, double cy, double r, double width, rgb colour)
{
    arc(cx, cy, r, width, 0, 360, colour);
}

void canvas::arc(double cx, double cy, double r, double width, double a0, double a1, rgb colour)
{
    const double outer = r + width / 2;
    fill(cx - outer, cy - outer, cx + outer, cy + outer,
         [=](double x, double y) {
             const double d = std::hypot(x - cx, y - cy);
             if (std::fabs(d - r) > width / 2)
                 return false;
             double a = std::atan2(y - cy, x - cx) * 180 / pi;
             if (a < a0)
                 a += 360;
             return a <= a1;
         },
         colour);
}

void canvas::line(point a, point b, double width, rgb colour)
{
    const double h = width / 2;
    fill(std::min(a.x, b.x) - h, std::min(a.y, b.y) - h, std::max(a.x, b.x) + h, std::max(a.y, b.y) + h,
         [=](double x, double y) {
             const double vx = b.x - a.x, vy = b.y - a.y;
             const double len2 = vx * vx + vy * vy;
             double t = len2 > 0 ? ((x - a.x) * vx + (y - a.y) * vy) / len2 : 0;
             t = std::clamp(t, 0.0, 1.0);
             return std::hypot(x - (a.x + t * vx), y - (a.y + t * vy)) <= h;
         },
         colour);
}

void canvas::polygon(const std::vector<point>& corners, rgb colour)
{
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const point& p : corners) {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    fill(x0, y0, x1, y1,
         [&](double x, double y) {
             bool in = false;
             for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
                 const point& p = corners[i];
                 const point& q = corners[j];
                 if ((p.y > y) != (q.y > y) && x < (q.x - p.x) * (y - p.y) / (q.y - p.y) + p.x)
                     in = !in;
             }
             return in;
         },
         colour);
}

void canvas::star(double cx, double cy, int n, double inner, double outer, double angle, rgb colour)
{
    std::vector<point> corners;
    for (int i = 0; i < 2 * n; ++i) {
        const double r = i % 2 ? inner : outer;
        const double a = (angle + i * 180.0 / n) * pi / 180;
        corners.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    polygon(corners, colour);
}

void canvas::text(const std::string& font_file, int size, const std::string& utf8, double cx, double top,
                  rgb colour)
{
    TTF_Font* font = TTF_OpenFont(font_file.c_str(), size * ss);
    if (!font)
        throw std::runtime_error("cannot open " + font_file + ": " + TTF_GetError());
    SDL_Color white{255, 255, 255, 0};
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, utf8.c_str(), white);
    TTF_CloseFont(font);
    if (!rendered)
        throw std::runtime_error(std::string("cannot render text: ") + TTF_GetError());
    const double left = cx - rendered->w / (2.0 * ss);
    SDL_LockSurface(rendered);
    fill(left, top, left + static_cast<double>(rendered->w) / ss, top + static_cast<double>(rendered->h) / ss,
         [&](double x, double y) {
             const int px = static_cast<int>((x - left) * ss), py = static_cast<int>((y - top) * ss);
             if (px < 0 || py < 0 || px >= rendered->w || py >= rendered->h)
                 return false;
             const Uint32 v = static_cast<const Uint32*>(rendered->pixels)[py * rendered->pitch / 4 + px];
             Uint8 r, g, b, a;
             SDL_GetRGBA(v, rendered->format, &r, &g, &b, &a);
             return a >= 128;
         },
         colour);
    SDL_UnlockSurface(rendered);
    SDL_FreeSurface(rendered);
}

double canvas::sample(int x, int y, rgb& colour) const
{
    int n = 0;
    rgb sum{0, 0, 0};
    for (int sy = 0; sy < ss; ++sy) {
        for (int sx = 0; sx < ss; ++sx) {
            const size_t i = static_cast<size_t>(y * ss + sy) * width_ * ss + x * ss + sx;
            if (!covered_[i])
                continue;
            ++n;
            sum.r += colour_[i].r;
            sum.g += colour_[i].g;
            sum.b += colour_[i].b;
        }
    }
    colour = n > 0 ? rgb{sum.r / n, sum.g / n, sum.b / n} : rgb{0, 0, 0};
    return static_cast<double>(n) / (ss * ss);
}

void canvas::save_bmp(const std::string& path, rgb behind) const
{
    const int row_bytes = (width_ * 3 + 3) & ~3;
    const std::uint32_t image_bytes = static_cast<std::uint32_t>(row_bytes) * height_;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put_le(out, 54 + image_bytes, 4);
    put_le(out, 0, 4);
    put_le(out, 54, 4);
    put_le(out, 40, 4);
    put_le(out, static_cast<std::uint32_t>(width_), 4);
    put_le(out, static_cast<std::uint32_t>(height_), 4);  // positive: rows bottom-up
    put_le(out, 1, 2);
    put_le(out, 24, 2);
    put_le(out, 0, 4);
    put_le(out, image_bytes, 4);
    put_le(out, 2835, 4);
    put_le(out, 2835, 4);
    put_le(out, 0, 4);
    put_le(out, 0, 4);

    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            rgb mean;
            const double cover = sample(x, y, mean);
            double r = 255, g = 0, b = 0;  // untouched: transparent
            if (cover > 0) {
                r = clamp_channel(mean.r * cover + behind.r * (1 - cover));
                g = clamp_channel(mean.g * cover + behind.g * (1 - cover));
                b = clamp_channel(mean.b * cover + behind.b * (1 - cover));
                if (r == 255 && g == 0 && b == 0)
                    r = 254;  // drawn pixels are never the colour key
            }
            out.push_back(static_cast<std::uint8_t>(b));
            out.push_back(static_cast<std::uint8_t>(g));
            out.push_back(static_cast<std::uint8_t>(r));
        }
        for (int pad = width_ * 3; pad < row_bytes; ++pad)
            out.push_back(0);
    }

    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() || std::fclose(file) != 0)
        throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> canvas::rgba() const
{
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<size_t>(width_) * height_ * 4);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            rgb mean;
            const double cover = sample(x, y, mean);
            out.push_back(static_cast<std::uint8_t>(clamp_channel(mean.r)));
            out.push_back(static_cast<std::uint8_t>(clamp_channel(mean.g)));
            out.push_back(static_cast<std::uint8_t>(clamp_channel(mean.b)));
            out.push_back(static_cast<std::uint8_t>(clamp_channel(255.0 * cover)));
        }
    }
    return out;
}
