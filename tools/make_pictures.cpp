// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// Draws the game's seven pictures: make_pictures FONT.ttf OUTPUT_FOLDER
// and the game's icon, the figure on transparency: make_pictures --icon SIZE OUT.png
//
// The sprites are 50x50 and are seen on the board's brown; the outcome
// pictures are seen on black from (50, 50), so they stay within 590x430.
// Pure red is left wherever nothing is drawn: it is the colour key.
#include <SDL.h>
#include <SDL_ttf.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "canvas.h"

namespace {

constexpr rgb board_brown{128, 64, 0};
constexpr rgb black{0, 0, 0};
constexpr rgb white{255, 255, 255};

// Every figure is designed on a 50x50 cell; (x0, y0) and scale place it.
struct place {
    double x0, y0, scale;
    double x(double u) const { return x0 + u * scale; }
    double y(double v) const { return y0 + v * scale; }
    double s(double d) const { return d * scale; }
    point p(double u, double v) const { return {x(u), y(v)}; }
};

// A round, happy blue fellow with a wide grin.
void draw_player(canvas& c, place at)
{
    const rgb outline{16, 36, 92}, body{64, 164, 255}, shine{170, 218, 255};
    const rgb pupil{20, 22, 44}, mouth{110, 16, 44}, tongue{255, 120, 150}, cheek{255, 150, 190};
    c.disc(at.x(25), at.y(26), at.s(22.5), outline);
    c.disc(at.x(25), at.y(26), at.s(20.5), body);
    c.ellipse(at.x(16), at.y(15), at.s(5.5), at.s(3.2), shine);
    // Eyes, looking slightly to the side with a glint.
    for (double ex : {18.0, 32.0}) {
        c.ellipse(at.x(ex), at.y(20), at.s(4.6), at.s(5.6), white);
        c.disc(at.x(ex + 0.8), at.y(21), at.s(2.6), pupil);
        c.disc(at.x(ex - 0.3), at.y(19.6), at.s(0.9), white);
    }
    c.disc(at.x(10.5), at.y(29), at.s(3.2), cheek);
    c.disc(at.x(39.5), at.y(29), at.s(3.2), cheek);
    // The grin: the lower half of a disc, a row of teeth along its top edge
    // and a tongue inside it.
    const double mx = at.x(25), my = at.y(28), mr = at.s(11);
    auto in_mouth = [=](double x, double y) { return (x - mx) * (x - mx) + (y - my) * (y - my) <= mr * mr; };
    c.fill(mx - mr, my, mx + mr, my + mr, in_mouth, mouth);
    c.fill(mx - mr, my, mx + mr, my + mr,
           [=](double x, double y) {
               const double tx = (x - mx) / at.s(6), ty = (y - at.y(37)) / at.s(3.6);
               return tx * tx + ty * ty <= 1 && (x - mx) * (x - mx) + (y - my) * (y - my) <= mr * mr * 0.9;
           },
           tongue);
    c.fill(mx - mr, my, mx + mr, my + at.s(1.6), in_mouth, white);
}

// A gold coin with a shine.
void draw_point(canvas& c, place at)
{
    const rgb rim{150, 96, 0}, gold{255, 204, 36}, light{255, 236, 130};
    c.disc(at.x(25), at.y(25), at.s(12), rim);
    c.disc(at.x(25), at.y(25), at.s(10.2), gold);
    c.ring(at.x(25), at.y(25), at.s(6.6), at.s(1.4), rim);
    c.star(at.x(25), at.y(25), 4, at.s(1.6), at.s(4.4), -90, light);
    c.star(at.x(19.5), at.y(19), 4, at.s(0.6), at.s(2.6), -90, white);
}

// A black bomb with a burning fuse.
void draw_bomb(canvas& c, place at)
{
    const rgb shell{28, 28, 34}, edge{6, 6, 8}, shine{120, 124, 140}, cap{96, 96, 104};
    const rgb fuse{230, 200, 150}, spark{255, 196, 0}, spark_core{255, 250, 200};
    c.disc(at.x(23), at.y(29), at.s(17), edge);
    c.disc(at.x(23), at.y(29), at.s(15.6), shell);
    c.ellipse(at.x(16.5), at.y(22.5), at.s(4.6), at.s(3.0), shine);
    c.polygon({at.p(29, 10), at.p(37, 16), at.p(33.5, 21), at.p(25.5, 15)}, cap);
    c.arc(at.x(40), at.y(16), at.s(6), at.s(2.2), 195, 290, fuse);
    c.star(at.x(41.5), at.y(8), 8, at.s(2.2), at.s(6.5), 0, spark);
    c.disc(at.x(41.5), at.y(8), at.s(2), spark_core);
}

// A purple monster with horns, angry eyes and sharp teeth.
void draw_monster(canvas& c, place at)
{
    const rgb outline{60, 10, 80}, body{186, 64, 222}, belly{214, 128, 240}, horn{255, 226, 120};
    const rgb eye{255, 255, 210}, pupil{200, 20, 20}, mouth{50, 0, 40};
    c.polygon({at.p(11, 13), at.p(8, 2), at.p(17, 9)}, horn);
    c.polygon({at.p(39, 13), at.p(42, 2), at.p(33, 9)}, horn);
    // Body: a dome over a skirt with three points at the bottom.
    auto body_shape = [&](double grow, rgb colour) {
        c.disc(at.x(25), at.y(22), at.s(17 + grow), colour);
        c.polygon({at.p(8 - grow, 22), at.p(42 + grow, 22), at.p(42 + grow, 47 + grow), at.p(36.3, 40),
                   at.p(30.7, 47 + grow), at.p(25, 40), at.p(19.3, 47 + grow), at.p(13.7, 40),
                   at.p(8 - grow, 47 + grow)},
                  colour);
    };
    body_shape(1.6, outline);
    body_shape(0, body);
    c.ellipse(at.x(25), at.y(33), at.s(9), at.s(5), belly);
    for (double ex : {18.0, 32.0}) {
        c.disc(at.x(ex), at.y(19), at.s(4.6), eye);
        c.disc(at.x(ex), at.y(20), at.s(2.2), pupil);
    }
    // Frowning brows.
    c.polygon({at.p(12, 12), at.p(23, 16), at.p(22, 18.5), at.p(12, 14.5)}, outline);
    c.polygon({at.p(38, 12), at.p(27, 16), at.p(28, 18.5), at.p(38, 14.5)}, outline);
    c.ellipse(at.x(25), at.y(30), at.s(9), at.s(4.5), mouth);
    for (double tx : {18.5, 23.0, 27.0, 31.5})
        c.polygon({at.p(tx - 2, 26), at.p(tx + 2, 26), at.p(tx, 30.5)}, white);
}

void save_sprite(const std::string& folder, const char* file, void (*draw)(canvas&, place))
{
    canvas c(50, 50);
    draw(c, place{0, 0, 1});
    c.save_bmp(folder + "/" + file, board_brown);
}

constexpr int picture_width = 540;
constexpr int picture_height = 380;

void save_bomb_picture(const std::string& folder, const std::string& font)
{
    canvas c(picture_width, picture_height);
    const double cx = picture_width / 2.0, cy = 150;
    c.star(cx, cy, 14, 95, 150, -90, rgb{230, 60, 10});
    c.star(cx, cy, 14, 70, 118, -77, rgb{255, 150, 0});
    c.star(cx, cy, 12, 50, 85, -90, rgb{255, 226, 60});
    c.text(font, 72, "BUMM!", cx, cy - 44, rgb{120, 0, 0});
    c.text(font, 40, "Auf eine Bombe getreten!", cx, 312, rgb{255, 236, 130});
    c.save_bmp(folder + "/tod.bmp", black);
}

void save_monster_picture(const std::string& folder, const std::string& font)
{
    canvas c(picture_width, picture_height);
    draw_monster(c, place{picture_width / 2.0 - 140, 10, 5.6});
    c.text(font, 40, "Das Monster hat dich!", picture_width / 2.0, 312, rgb{230, 170, 255});
    c.save_bmp(folder + "/monstertod.bmp", black);
}

void save_win_picture(const std::string& folder, const std::string& font)
{
    canvas c(picture_width, picture_height);
    c.star(picture_width / 2.0, 142, 16, 120, 140, -90, rgb{255, 204, 36});
    c.star(picture_width / 2.0, 142, 16, 108, 126, -79, rgb{255, 236, 130});
    draw_player(c, place{picture_width / 2.0 - 112, 30, 4.5});
    for (double x : {50.0, 490.0})
        draw_point(c, place{x - 50, 100, 2});
    c.text(font, 56, "Gewonnen!", picture_width / 2.0, 262, rgb{255, 226, 60});
    c.text(font, 32, "Alle Punkte gesammelt", picture_width / 2.0, 330, white);
    c.save_bmp(folder + "/win.bmp", black);
}

// The figure alone as a PNG icon of size x size pixels, on transparency.
int save_icon(int size, const char* path)
{
    canvas c(size, size);
    draw_player(c, place{0, 0, size / 50.0});
    const std::vector<std::uint8_t> pixels = c.rgba();
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size);
    image.height = static_cast<png_uint_32>(size);
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, path, 0, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "make_pictures: cannot write %s: %s\n", path, image.message);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc == 4 && std::string(argv[1]) == "--icon")
        return save_icon(std::atoi(argv[2]), argv[3]);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FONT.ttf OUTPUT_FOLDER\n       %s --icon SIZE OUT.png\n", argv[0], argv[0]);
        return 2;
    }
    const std::string font = argv[1], folder = argv[2];
    if (TTF_Init() != 0) {
        std::fprintf(stderr, "TTF_Init failed: %s\n", TTF_GetError());
        return 1;
    }
    try {
        save_sprite(folder, "typ.bmp", draw_player);
        save_sprite(folder, "punkt.bmp", draw_point);
        save_sprite(folder, "bombe.bmp", draw_bomb);
        save_sprite(folder, "monster.bmp", draw_monster);
        save_bomb_picture(folder, font);
        save_monster_picture(folder, font);
        save_win_picture(folder, font);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_pictures: %s\n", e.what());
        return 1;
    }
    return 0;
}
