// Whole games of the real binary, checked against the referee: every byte of
// standard output, every pause, and how the game ends.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"
#include "referee.h"

namespace {

std::vector<unsigned> pauses(const game_run& run)
{
    std::vector<unsigned> ms;
    for (const std::string& line : run.logged("delay "))
        ms.push_back(static_cast<unsigned>(std::stoul(line.substr(6))));
    return ms;
}

}  // namespace

TEST(Play, ScriptedGamesPrintAndPauseAsTheRulesSay)
{
    const std::string win = plan_win(), capture = plan_capture();
    struct {
        const char* what;
        std::string keys;
        bool won;
        int bombs, captures;
    } cases[] = {
        {"all 17 points in one round", win, true, 0, 0},
        {"the last point with Q held: the win picture all the same", win + "+q", true, 0, 0},
        {"a point, then a bomb, then a step into the new round", "right,right,right", false, 1, 0},
        {"a bomb with Q held: the new board is drawn, then the end", "right,right+q", false, 1, 0},
        {"walking into a monster", capture, false, 0, 1},
        {"steps with a window close: the frame still ends", "right,down+close", false, 0, 0},
    };
    temp_dir dir;
    copy_data(dir.path);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ": " + c.keys);
        referee expected;
        expected.play_script(c.keys);
        ASSERT_EQ(expected.won, c.won);
        ASSERT_EQ(expected.bombs, c.bombs);
        ASSERT_EQ(expected.captures, c.captures);

        const game_run run = run_pellmor(dir.path, c.keys);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, expected.out);
        EXPECT_EQ(pauses(run), expected.delays);
        EXPECT_EQ(run.logged("frames "), std::vector<std::string>{"frames " + std::to_string(expected.frames)});
        // Every frame but a bomb's renders the score line, and frees it.
        EXPECT_EQ(run.logged("texts "),
                  std::vector<std::string>{"texts " + std::to_string(expected.frames - expected.bombs)});
        EXPECT_EQ(run.logged("texts-alive "), std::vector<std::string>{"texts-alive 0"});
        EXPECT_EQ(run.logged("free "), std::vector<std::string>{"free typ.bmp"});
    }
}

// The score line is rendered anew in every frame from the score of the round.
TEST(Play, ScoreLineCountsThePointsOfTheRound)
{
    temp_dir dir;
    copy_data(dir.path);
    std::vector<std::string> texts;
    for (int score = 0; score <= 17; ++score)
        texts.push_back("text PUNKTE: " + std::to_string(score) + " VON 17");
    EXPECT_EQ(run_pellmor(dir.path, "," + plan_win()).logged("text "), texts);

    // A point, then a bomb: the new round counts from 0 again.
    EXPECT_EQ(run_pellmor(dir.path, ",right,right,").logged("text "),
              (std::vector<std::string>{"text PUNKTE: 0 VON 17", "text PUNKTE: 1 VON 17", "text PUNKTE: 0 VON 17"}));
}

// The soak: idle frames, which run without pause, then frames that step
// (right and left; the monsters come and the rounds start again). What a
// frame renders is freed in that frame, so after the first 1,000 frames
// resident memory stays within a page and the surfaces the game holds stay
// the same. PELLMOR_SOAK_IDLE and PELLMOR_SOAK_STEPS set the frames: 100,000
// and 2,000 by default, 1,000,000 and 10,000 for the full soak.
TEST(Play, SoakLeavesMemoryAndSurfacesAsAfterTheFirstThousandFrames)
{
    auto setting = [](const char* name, long fallback) {
        const char* value = std::getenv(name);
        return value ? std::atol(value) : fallback;
    };
    const long idle = setting("PELLMOR_SOAK_IDLE", 100000), steps = setting("PELLMOR_SOAK_STEPS", 2000);
    temp_dir dir;
    copy_data(dir.path);
    const std::string end = std::to_string(idle + steps);
    std::string keys = "*" + std::to_string(idle);
    for (long i = 0; i < steps; ++i)
        keys += i % 2 ? ",left" : ",right";
    const game_run run = run_pellmor(dir.path, keys, "", false, 60 + static_cast<unsigned>((idle + steps) / 5000));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.logged("texts-alive "), std::vector<std::string>{"texts-alive 0"});
    referee expected;  // pauses for the monsters and for lost rounds, as the rules say
    expected.play_script(keys);
    std::vector<std::string> pauses;
    for (unsigned ms : expected.delays)
        pauses.push_back("delay " + std::to_string(ms));
    EXPECT_EQ(run.logged("delay "), pauses);

    auto at = [&](const std::string& what, const std::string& frame) {
        const std::vector<std::string> lines = run.logged(what + " " + frame + " ");
        return lines.size() == 1 ? std::stol(lines[0].substr(what.size() + frame.size() + 2)) : -1;
    };
    std::printf("soak of %ld idle and %ld step frames: rss %ld kB after 1,000 frames, %ld kB at the end; "
                "surfaces %ld and %ld\n", idle, steps, at("rss", "1000"), at("rss", end), at("surfaces", "1000"),
                at("surfaces", end));
    EXPECT_EQ(at("surfaces", end), at("surfaces", "1000"));
    EXPECT_EQ(at("surfaces", "1000"), 7) << "the seven pictures";
#ifndef PELLMOR_SANITIZED  // the address sanitizer keeps freed memory aside for a while
    EXPECT_LE(at("rss", end) - at("rss", "1000"), 4) << "kB after 1,000 frames and at the end";
    EXPECT_GT(at("rss", "1000"), 0);
#endif
}
