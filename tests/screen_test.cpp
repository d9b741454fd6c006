// What the game puts on the screen, read back from snapshots of the real
// binary's display.
#include <gtest/gtest.h>

#include <SDL_ttf.h>

#include <sstream>
#include <string>

#include "harness.h"
#include "level.h"
#include "referee.h"

namespace {

std::string describe(SDL_Color c)
{
    std::ostringstream out;
    out << '(' << int(c.r) << ',' << int(c.g) << ',' << int(c.b) << ')';
    return out.str();
}

surface_ptr load_sprite(const char* file)
{
    surface_ptr sprite(SDL_LoadBMP((std::string(PELLMOR_DATA_DIR) + "/" + file).c_str()));
    if (!sprite)
        ADD_FAILURE() << "cannot load " << file << ": " << SDL_GetError();
    return sprite;
}

struct screen_check {
    explicit screen_check(SDL_Surface* s) : shot(s) {}
    SDL_Surface* shot;
    int mismatches = 0;
    std::string first;

    void expect(int x, int y, SDL_Color want)
    {
        const SDL_Color got = pixel_at(shot, x, y);
        if (close_to(got, want))
            return;
        if (mismatches++ == 0)
            first = "pixel (" + std::to_string(x) + "," + std::to_string(y) + ") is " + describe(got) +
                    ", expected " + describe(want);
    }
};


// A round's first frame: the level's points and bombs, the three monsters on
// their start cells, the figure on (0, 0) and the score line 0 below the
// board, all else background. The figure's 51x51 erase has cleared the first
// pixel column of the point to its right and the first pixel row of the bomb
// below it.
void expect_round_start(SDL_Surface* shot)
{
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->w, 640);
    ASSERT_EQ(shot->h, 480);
    const surface_ptr figure = load_sprite("typ.bmp"), punkt = load_sprite("punkt.bmp"),
                      bombe = load_sprite("bombe.bmp"), monster = load_sprite("monster.bmp");
    SDL_Surface* sprites[3] = {nullptr, punkt.get(), bombe.get()};
    const surface_ptr score_line(render_score_line("PUNKTE: 0 VON 17"));
    ASSERT_TRUE(score_line) << TTF_GetError();

    screen_check check{shot};
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const int col = x / 50 - 1, row = y / 50 - 1;
            if (col < 0 || col > 10 || row < 0 || row > 6) {
                check.expect(x, y, inked(score_line.get(), x - 10, y - 412) ? yellow : background);
                continue;
            }
            SDL_Surface* sprite = sprites[expected_code(col, row)];
            if ((col == 10 && row == 0) || (col == 9 && row == 6) || (col == 0 && row == 6))
                sprite = monster.get();
            if (col == 0 && row == 0)
                sprite = figure.get();
            const bool erased = (x == 100 && y <= 100) || (y == 100 && x <= 100);
            check.expect(x, y, erased ? background : sprite_pixel(sprite, x % 50, y % 50));
        }
    }
    EXPECT_EQ(check.mismatches, 0) << check.first;
}

// An outcome picture at (50, 50) on black, its red pixels showing the black.
void expect_picture(SDL_Surface* shot, const char* file)
{
    ASSERT_TRUE(shot);
    const surface_ptr picture = load_sprite(file);
    screen_check check{shot};
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            check.expect(x, y, x < 50 || y < 50 ? black : sprite_pixel(picture.get(), x - 50, y - 50, black));
    EXPECT_EQ(check.mismatches, 0) << file << ": " << check.first;
}

}  // namespace

TEST(Screen, FirstFrameShowsTheLevel)
{
    temp_dir dir, snaps;
    copy_data(dir.path);
    const game_run run = run_pellmor(dir.path, "snap,snap", snaps.path);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    expect_round_start(run.snapshot("frame-2").get());

    // The drawing does not draw the figure: the first frame does.
    const surface_ptr before_flip = run.snapshot("frame-1");
    ASSERT_TRUE(before_flip);
    screen_check start{before_flip.get()};
    for (int y = 50; y < 100; ++y)
        for (int x = 50; x < 100; ++x)
            start.expect(x, y, background);
    EXPECT_EQ(start.mismatches, 0) << start.first;
}

// A point, then a bomb: the bomb's picture, then a round that looks like the
// first. And a game won: the win picture.
TEST(Screen, OutcomesShowTheirPictures)
{
    temp_dir dir, snaps;
    copy_data(dir.path);
    const game_run lost = run_pellmor(dir.path, "right,right,,snap", snaps.path);
    ASSERT_EQ(lost.status, 0) << lost.out << lost.err;
    expect_picture(lost.snapshot("delay-1").get(), "tod.bmp");
    expect_round_start(lost.snapshot("frame-4").get());

    temp_dir win_snaps;
    const game_run won = run_pellmor(dir.path, plan_win(), win_snaps.path);
    ASSERT_EQ(won.status, 0) << won.out << won.err;
    expect_picture(won.snapshot("delay-1").get(), "win.bmp");
}
