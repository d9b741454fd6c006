// Whole games of the real binary, checked against the referee: every byte of
// standard output, every pause, and how the game ends.
#include <gtest/gtest.h>

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

// Idle frames run without pause; what each renders is freed in the same
// frame, so resident memory stays flat. It is read after 1,000, 10,000 and
// 100,000 frames and compared from 10,000 on: with the classic SDL the heap
// grows once, by 128 kB, early in the run.
TEST(Play, MemoryStaysFlatOverManyIdleFrames)
{
    temp_dir dir;
    copy_data(dir.path);
    const game_run run = run_pellmor(dir.path, "*100000");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.logged("texts-alive "), std::vector<std::string>{"texts-alive 0"});
    EXPECT_TRUE(run.logged("delay ").empty());
    const std::vector<std::string> rss = run.logged("rss ");
    ASSERT_EQ(rss.size(), 3u);
    const long early = std::stol(rss[1].substr(4)), late = std::stol(rss[2].substr(4));
    EXPECT_LE(late - early, 4) << "kB after 10,000 and 100,000 frames: " << early << ", " << late;
}
