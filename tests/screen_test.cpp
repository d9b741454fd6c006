// What the game puts on the screen, read back from snapshots of the real
// binary's display.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "referee.h"

namespace {

void expect_screen(const surface_ptr& shot, const screen_model& want, const char* what)
{
    ASSERT_TRUE(shot) << what;
    ASSERT_EQ(shot->w, 640);
    ASSERT_EQ(shot->h, 480);
    std::string first;
    EXPECT_EQ(mismatches(want, surface_screen(shot.get()), whole_screen, first), 0) << what << ": " << first;
}

}  // namespace

TEST(Screen, FirstFrameShowsTheLevel)
{
    temp_dir dir, snaps;
    copy_data(dir.path);
    const game_run run = run_pellmor(dir.path, "snap,snap", snaps.path);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    expect_screen(run.snapshot("frame-2"), round_start_screen(), "the first frame");

    // The drawing does not draw the figure: the first frame does.
    const surface_ptr before_flip = run.snapshot("frame-1");
    std::string first;
    EXPECT_EQ(mismatches([](int, int) { return background; }, surface_screen(before_flip.get()), {50, 50, 50, 50},
                         first), 0) << first;
}

// A point, then a bomb: the bomb's picture, then a round that looks like the
// first. And a game won: the win picture.
TEST(Screen, OutcomesShowTheirPictures)
{
    temp_dir dir, snaps;
    copy_data(dir.path);
    const game_run lost = run_pellmor(dir.path, "right,right,,snap", snaps.path);
    ASSERT_EQ(lost.status, 0) << lost.out << lost.err;
    expect_screen(lost.snapshot("delay-1"), picture_screen("tod.bmp"), "tod.bmp");
    expect_screen(lost.snapshot("frame-4"), round_start_screen(), "the new round");

    temp_dir win_snaps;
    const game_run won = run_pellmor(dir.path, plan_win(), win_snaps.path);
    ASSERT_EQ(won.status, 0) << won.out << won.err;
    expect_screen(won.snapshot("delay-1"), picture_screen("win.bmp"), "win.bmp");
}
