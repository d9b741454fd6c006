// The real pellmor binary, headless, driven by key scripts: start-up and its
// failures, the frame loop's keys and events, and the first drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "harness.h"
#include "level.h"

namespace {

const std::vector<std::string>& load_order = data_files;

std::vector<std::string> prefixed(const std::string& prefix, const std::vector<std::string>& names)
{
    std::vector<std::string> lines;
    for (const std::string& name : names)
        lines.push_back(prefix + name);
    return lines;
}

}  // namespace

TEST(StartUp, QuitAtOnceDrawsTheBoardAndEndsCleanly)
{
    temp_dir dir;
    copy_data(dir.path);
    const game_run run = run_pellmor(dir.path, "q");

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, board_trace());  // start-up itself prints nothing
    // Titled, the cursor hidden, then 640x480 at 16 bits, full-screen and
    // double-buffered in video memory.
    EXPECT_EQ(run.logged("display "), (std::vector<std::string>{"display caption Pellmor Pellmor",
                                                                "display cursor 0", "display mode 640x480x16 c0000001"}));
    EXPECT_EQ(run.logged("open "), prefixed("open ", load_order));
    // punkt, bombe and monster are keyed as they load, typ by the drawing.
    EXPECT_EQ(run.logged("colourkey "),
              prefixed("colourkey ", {"punkt.bmp", "bombe.bmp", "monster.bmp", "typ.bmp"}));
    EXPECT_EQ(run.logged("frames "), std::vector<std::string>{"frames 1"});
    // typ is freed when the loop ends, and SDL is shut down by the exit handler.
    EXPECT_EQ(run.logged("free "), std::vector<std::string>{"free typ.bmp"});
    EXPECT_EQ(run.logged("sdl-quit"), std::vector<std::string>{"sdl-quit"});
}

// Each data file missing in turn: its own message, nothing else printed,
// status 1, and nothing opened after it.
TEST(StartUp, EachMissingFileStopsWithItsMessage)
{
    for (size_t missing = 0; missing < load_order.size(); ++missing) {
        const std::string& file = load_order[missing];
        SCOPED_TRACE(file);
        temp_dir dir;
        copy_data(dir.path, {file});
        const game_run run = run_pellmor(dir.path, "");

        EXPECT_EQ(run.status, 1);
        const std::string prefix =
            file == "delusion.ttf" ? "Can't load font delusion.ttf. " : "Can't load typ of " + file + ". ";
        ASSERT_EQ(run.out.compare(0, prefix.size(), prefix), 0) << run.out;
        // SDL's own error text follows, on the same line.
        const std::string detail = run.out.substr(prefix.size());
        EXPECT_GT(detail.size(), 1u) << run.out;
        EXPECT_EQ(detail.find('\n'), detail.size() - 1) << run.out;

        const std::vector<std::string> opened(load_order.begin(), load_order.begin() + missing + 1);
        EXPECT_EQ(run.logged("open "), prefixed("open ", opened));
        std::vector<std::string> keyed;
        for (const char* sprite : {"punkt.bmp", "bombe.bmp", "monster.bmp"})
            if (std::find(opened.begin(), opened.end() - 1, sprite) != opened.end() - 1)
                keyed.push_back(sprite);
        EXPECT_EQ(run.logged("colourkey "), prefixed("colourkey ", keyed));
        EXPECT_EQ(run.logged("frames "), std::vector<std::string>{"frames 0"});
        EXPECT_EQ(run.logged("sdl-quit"), std::vector<std::string>{"sdl-quit"});
    }
}

// SDL does not start: nothing else is done, and the exit handler is not
// yet there to call SDL_Quit.
TEST(StartUp, SdlThatCannotStartStopsTheGame)
{
    temp_dir dir;
    copy_data(dir.path);
    const game_run run = run_pellmor(dir.path, "", "", false, 60, "no-such-driver");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("Can't init SDL:  ", 0), 0u) << run.out;
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
    EXPECT_EQ(run.logged("open ").size() + run.logged("display ").size() + run.logged("sdl-quit").size(), 0u);
}

TEST(StartUp, AFileThatIsNotAFontStopsTheGame)
{
    temp_dir dir;
    copy_data(dir.path, {"delusion.ttf"});
    std::ofstream(dir.path + "/delusion.ttf") << "not a font\n";
    const game_run run = run_pellmor(dir.path, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("Can't load font delusion.ttf. ", 0), 0u) << run.out;
}

// Q and a window close end the loop at the next test of quit: the frame in
// which they come still runs to its end (its redraw and flip), and events of
// other kinds change nothing. After each script, Q is held.
TEST(FrameLoop, QuitAndCloseEndTheLoopAfterTheirFrame)
{
    struct {
        const char* keys;
        long frames;
    } cases[] = {
        {"q", 1},
        {"close", 1},
        {",close", 2},
        {"close+q", 1},
        {"event,event", 3},
    };
    temp_dir dir;
    copy_data(dir.path);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        const game_run run = run_pellmor(dir.path, c.keys);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.logged("frames "), std::vector<std::string>{"frames " + std::to_string(c.frames)});
        EXPECT_EQ(run.logged("flips "), std::vector<std::string>{"flips " + std::to_string(c.frames)});
    }
}

// Once per press: F held over several frames, even through a bomb's
// picture, toggles once.
TEST(FrameLoop, FullScreenTogglesOncePerPress)
{
    temp_dir dir;
    copy_data(dir.path);
    const game_run run = run_pellmor(dir.path, "f*3,,f,f+right,f+right,f");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.logged("fullscreen "), (std::vector<std::string>{"fullscreen 1", "fullscreen 5"}));
}
