// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The game's own code in this process: the board state on its own, and single frames of the frame function over a
// board set up by hand, keys held through SDL's key state, the monsters' rand() played from a script and every
// pause recorded instead of slept.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>

#include "display.h"
#include "key_script.h"
#include "screen.h"
#include "shell.h"
#include "test_double.h"

namespace {

std::deque<int> rand_script;  // directions 1 to 4; up when it runs out
int rand_calls = 0;
std::string pauses;
SDL_Surface* shown = nullptr;  // what the last flip put on the display

// Which outcome picture the display shows at (50, 50) on black, its red pixels keyed to show the black.
std::string picture_shown()
{
    for (const char* file : {"tod.bmp", "monstertod.bmp", "win.bmp"}) {
        std::string first;
        if (shown && mismatches(picture_screen(file), surface_screen(shown), whole_screen, first) == 0) return file;
    }
    return "no picture";
}

}  // namespace

DECLARE_REAL(SDL_Flip);

extern "C" int rand() noexcept
{
    ++rand_calls;
    const int direction = rand_script.empty() ? 1 : rand_script.front();
    if (!rand_script.empty()) rand_script.pop_front();
    return direction - 1;  // the game adds 1 to rand() % 4
}

extern "C" void TEST_DOUBLE(SDL_Delay)(Uint32 ms)
{
    pauses += (pauses.empty() ? "" : " ") + std::to_string(ms) + (ms >= 1000 ? " " + picture_shown() : "");
}

extern "C" int TEST_DOUBLE(SDL_Flip)(SDL_Surface* surface)
{
    SDL_FreeSurface(shown);
    shown = SDL_ConvertSurface(surface, surface->format, SDL_SWSURFACE);
    return REAL(SDL_Flip)(surface);
}

namespace {

void place_player(board_state& b, int col, int row)
{
    b.player_col = col, b.player_row = row, b.player_x = cell_to_pixel(col), b.player_y = cell_to_pixel(row);
}

// Where everyone stands and the score; then what differs from a round's start: cells of the grid (its twelfth
// column too), the figure's pixel off its cell, the points to win, and the flags.
std::string describe(const board_state& b)
{
    std::string text = "player " + std::to_string(b.player_col) + "," + std::to_string(b.player_row) + " score " +
                       std::to_string(b.score) + " monsters";
    for (auto [col, row] : {std::pair{b.monster1_col, b.monster1_row}, std::pair{b.monster2_col, b.monster2_row},
                            std::pair{b.monster3_col, b.monster3_row}})
        text += " " + std::to_string(col) + "," + std::to_string(row);
    for (int row = 0; row < board_rows; ++row)
        for (int col = 0; col < grid_cols; ++col)
            if (b.grid[col][row] != (col < board_cols ? expected_code(col, row) : cell_empty))
                text += " (" + std::to_string(col) + "," + std::to_string(row) + ")=" + std::to_string(b.grid[col][row]);
    if (b.player_x != cell_to_pixel(b.player_col) || b.player_y != cell_to_pixel(b.player_row))
        text += " at " + std::to_string(b.player_x) + "," + std::to_string(b.player_y);
    if (b.total_points != 17) text += " of " + std::to_string(b.total_points);
    return text + (b.dead ? " dead" : "") + (b.moved ? " moved" : "") + (b.quit ? " quit " + std::to_string(b.quit) : "");
}

const char* const start = "player 0,0 score 0 monsters 10,0 9,6 0,6";

TEST(Board, InitSetsEveryFieldLaysOutTheLevelAndTheStartCells)
{
    board_state b;
    std::memset(&b, 0x55, sizeof b);
    init_board(b);
    EXPECT_EQ(describe(b), start);
}

// After a round that collected points, moved everything and set every flag; after a round that changed nothing,
// rewriting the layout changes nothing.
TEST(Board, ResetRoundBringsBackTheFullLevelAndKeepsQuit)
{
    board_state b;
    init_board(b);
    for (int loss = 1; loss <= 2; ++loss) {
        b.grid[1][0] = b.grid[4][2] = b.grid[10][6] = cell_empty;
        b.score = 3, b.monster1_col = 8, b.monster2_row = 2, b.monster3_col = 3, b.dead = b.moved = true, b.quit = 1;
        place_player(b, 3, 4);
        reset_round(b);
        EXPECT_EQ(describe(b), start + std::string(" quit 1")) << "after loss " << loss;
    }
    init_board(b);
    reset_round(b);
    EXPECT_EQ(describe(b), start);
}

score_style style;
SDL_Surface* game_figure = nullptr;  // typ as the game loaded it

// A figure of another size than the game's, for one test, near the bottom right corner.
void figure_of(int size, board_state& b)
{
    typ = SDL_CreateRGBSurface(SDL_SWSURFACE, size, size, 16, 0, 0, 0, 0);
    place_player(b, 9, 5), b.monster2_col = 3, b.monster2_row = 0;
}

// The game's start-up, once, in the data folder.
class Frame : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (screen) return;  // another suite of this fixture's has started up
        std::filesystem::current_path(PELLMOR_DATA_DIR);
        start_up(style, 17);
        game_figure = typ;
    }

    void SetUp() override
    {
        if (typ != game_figure) SDL_FreeSurface(typ), typ = game_figure;
        init_board(board);
        rects = board_rects{};
        SDL_FillRect(screen, nullptr, background_colour());
        ::testing::internal::CaptureStdout();
        draw_board(board, rects);
        ::testing::internal::GetCapturedStdout();  // the board trace: not this test's business
        rand_script.clear(), rand_calls = 0, pauses.clear();
    }

    // A frame for each item of a key script (one for none), its keys held: their results; what they print, to out.
    std::string frames(const std::string& script)
    {
        std::string results;
        for (const script_run& run : script.empty() ? std::vector<script_run>{{{}, 1}} : script_runs(script)) {
            Uint8* state = SDL_GetKeyState(nullptr);
            std::fill(state, state + SDLK_LAST, 0);
            for (const std::string& key : run.tokens) state[find_key(key)->sdl] = 1;
            ::testing::internal::CaptureStdout();
            const frame_result r = run_frame(board, rects, style);
            out += ::testing::internal::GetCapturedStdout();
            const char* name[] = {"next_frame", "new_round", "finish"};
            results += (results.empty() ? "" : " ") + std::string(name[static_cast<int>(r)]);
        }
        return results;
    }

    board_state board;
    board_rects rects;
    std::string out;  // what the frames printed
};

struct frame_case {
    const char* what;
    std::function<void(board_state&)> setup;
    const char* keys;            // a key script, a frame for each item
    std::deque<int> directions;  // what the monsters draw, in order
    const char *results, *out, *pauses;
    int rand_calls;
    const char* end;
};

// With the monsters on their start cells and rand() drawing up, no monster can move: monster 1 is at the top edge,
// 2 and 3 have points above them.
const frame_case frame_cases[] = {
    {"idle frames, and up and left at the start cell", [](board_state&) {}, ",up+left,w+a", {},
     "next_frame next_frame next_frame", "", "", 0, start},
    {"a point collected: nine refused tries per monster, then the pause", [](board_state&) {}, "right", {},
     "next_frame", "1. Punkte\a\n", "300", 27, "player 1,0 score 1 monsters 10,0 9,6 0,6 (1,0)=0"},
    {"S, D, W, A step like the arrows", [](board_state& b) { place_player(b, 3, 3); }, "s,d,w,a", {},
     "next_frame next_frame next_frame next_frame", "1. Punkte\a\n", "300 300 300 300", 108,
     "player 3,3 score 1 monsters 10,0 9,6 0,6 (4,4)=0"},
    {"right and down at column 10, row 6", [](board_state& b) { place_player(b, 10, 6); }, "right+down", {},
     "next_frame", "", "", 0, "player 10,6 score 0 monsters 10,0 9,6 0,6"},
    {"up and right: both cells handled, up first", [](board_state& b) { place_player(b, 4, 3); }, "right+up", {},
     "next_frame", "1. Punkte\a\n", "300", 27, "player 5,2 score 1 monsters 10,0 9,6 0,6 (4,2)=0"},
    {"up and down: there and back, and the monsters move", [](board_state& b) { place_player(b, 4, 3); }, "down+up", {},
     "next_frame", "1. Punkte\a\n", "300", 27, "player 4,3 score 1 monsters 10,0 9,6 0,6 (4,2)=0"},
    {"a bomb: the picture, then the whole level again",
     [](board_state& b) { place_player(b, 1, 0), b.grid[1][0] = cell_empty, b.score = 1; }, "right", {},
     "new_round", "", "4000 tod.bmp", 0, start},
    {"bomb before capture", [](board_state& b) { b.monster1_col = 1, b.monster1_row = 1; }, "down+right", {},
     "new_round", "", "4000 tod.bmp", 0, start},
    {"capture before win", [](board_state& b) { place_player(b, 6, 2), b.score = 16,
                                                b.monster1_col = 7, b.monster1_row = 1; },
     "right+up", {}, "new_round", "17. Punkte\a\n", "4000 monstertod.bmp", 0, start},
    {"stepping onto a monster: caught before any monster moves",
     [](board_state& b) { place_player(b, 3, 0), b.monster1_col = 4; }, "right", {}, "new_round", "", "4000 monstertod.bmp",
     0, start},
    {"onto a monster and off again in one frame: not caught",
     [](board_state& b) { place_player(b, 3, 1), b.monster1_col = 3; }, "up+down", {},
     "next_frame", "", "300", 27, "player 3,1 score 0 monsters 3,0 9,6 0,6"},
    {"a monster steps onto the player, who stays: caught in the next frame",
     [](board_state& b) { place_player(b, 3, 2), b.monster1_col = 4, b.monster1_row = 1; }, "right,", {3},
     "next_frame new_round", "1. Punkte\a\nmonster1X = 4\n monster1Y =1\n", "300 4000 monstertod.bmp", 19, start},
    {"a monster steps onto the player, who steps away: not caught",
     [](board_state& b) { place_player(b, 3, 2), b.monster1_col = 4, b.monster1_row = 1; }, "right,left", {3},
     "next_frame next_frame", "1. Punkte\a\nmonster1X = 4\n monster1Y =1\nmonster1X = 4\n monster1Y =2\n",
     "300 300", 38, "player 3,2 score 1 monsters 4,1 9,6 0,6 (4,2)=0"},
    {"the last point wins at once: no monster moves", [](board_state& b) { b.score = 16; }, "right", {},
     "finish", "17. Punkte\a\n", "7000 win.bmp", 0, "player 1,0 score 17 monsters 10,0 9,6 0,6 (1,0)=0 moved"},
    {"monsters 1, 2, 3 in turn, each tracing the cell it left", [](board_state& b) { place_player(b, 3, 3); }, "down",
     {4, 4, 2}, "next_frame", "monster1X = 10\n monster1Y =0\nmonster2X = 9\n monster2Y =6\nmonster3X = 0\n monster3Y =6\n",
     "300", 3, "player 3,4 score 0 monsters 9,0 8,6 1,6"},
    {"every try counts: an edge, a point, a bomb refuse",
     [](board_state& b) { place_player(b, 3, 3), b.monster1_col = 9, b.monster2_col = 0, b.monster2_row = 2; }, "down",
     {1, 3, 2, 4, 1, 2, 3}, "next_frame", "monster1X = 9\n monster1Y =0\nmonster2X = 0\n monster2Y =2\n", "300", 16,
     "player 3,4 score 0 monsters 10,0 0,3 0,6"},
    {"nine tries at most: the tenth draw is the next monster's", [](board_state& b) { place_player(b, 3, 3); }, "down",
     {1, 1, 1, 1, 1, 1, 1, 1, 1, 4}, "next_frame", "monster2X = 9\n monster2Y =6\n", "300", 19,
     "player 3,4 score 0 monsters 10,0 8,6 0,6"},
    // The pixel tests use the figure's picture size: a smaller figure would pass them at the last column and row, a
    // larger one stops where they say.
    {"a figure of 40 pixels keeps to the board", [](board_state& b) { figure_of(40, b); }, "down+right,down+right", {},
     "next_frame next_frame", "1. Punkte\a\n", "300", 27, "player 10,6 score 1 monsters 10,0 3,0 0,6 (10,6)=0"},
    {"a figure of 60 pixels keeps to the board", [](board_state& b) { figure_of(60, b); }, "down+right,down+right", {},
     "next_frame next_frame", "1. Punkte\a\n", "300", 27, "player 10,6 score 1 monsters 10,0 3,0 0,6 (10,6)=0"},
    {"monsters share a cell",
     [](board_state& b) { place_player(b, 3, 3), b.monster1_col = 9, b.monster2_col = 8, b.monster2_row = 0; }, "down",
     {4}, "next_frame", "monster1X = 9\n monster1Y =0\n", "300", 19, "player 3,4 score 0 monsters 8,0 8,0 0,6"},
};

struct FrameRules : Frame, ::testing::WithParamInterface<frame_case> {};

TEST_P(FrameRules, OneFrameAfterAnother)
{
    const frame_case& c = GetParam();
    c.setup(board);
    rand_script = c.directions;
    EXPECT_EQ(frames(c.keys), c.results);
    EXPECT_EQ(out, c.out);
    EXPECT_EQ(pauses, c.pauses);
    EXPECT_EQ(rand_calls, c.rand_calls);
    EXPECT_EQ(describe(board), c.end);
}
INSTANTIATE_TEST_SUITE_P(Cases, FrameRules, ::testing::ValuesIn(frame_cases), row_name);

// The figure's erase is 51x51: it also clears the first pixel column and row of the cells to the right and below. A
// monster's is just its cell. The figure and the monster are drawn on the cells they entered.
TEST_F(Frame, StepsEraseTheirSquaresAndDraw)
{
    place_player(board, 3, 3);
    rand_script = {4};  // monster 1 goes left, from (10, 0) to (9, 0)
    const std::pair<int, int> marks[] = {{250, 225}, {251, 225}, {225, 250}, {225, 251}, {600, 75}, {575, 100}};
    for (auto [x, y] : marks) {
        SDL_Rect pixel{static_cast<Sint16>(x), static_cast<Sint16>(y), 1, 1};
        SDL_FillRect(screen, &pixel, SDL_MapRGB(screen->format, 255, 255, 255));
    }
    frames("up");
    ASSERT_EQ(describe(board), "player 3,2 score 0 monsters 9,0 9,6 0,6");
    std::string shows;
    auto named = [](SDL_Color c) { return close_to(c, background) ? "background " : close_to(c, white) ? "white " : "? "; };
    for (auto [x, y] : marks) shows += named(pixel_at(screen, x, y));
    EXPECT_EQ(shows, "background white background white white white ");
    const screen_model now = surface_screen(screen), left = [](int, int) { return background; };
    const screen_model entered = [](int x, int y) { return sprite_pixel(monster, x - 500, y - 50); };
    const screen_model figure = [](int x, int y) { return sprite_pixel(typ, x - 200, y - 150); };
    std::string first;
    EXPECT_EQ(mismatches(left, now, {550, 50, 50, 50}, first), 0) << "monster 1 left (10, 0): " << first;
    EXPECT_EQ(mismatches(entered, now, {500, 50, 50, 50}, first), 0) << "monster 1 on (9, 0): " << first;
    EXPECT_EQ(mismatches(figure, now, {200, 150, 50, 50}, first), 0) << "the figure on (3, 2): " << first;
}

// The band below the board is cleared, then the text drawn in yellow; nothing outside the band is touched.
TEST_F(Frame, ScoreLineIsDrawnInItsBand)
{
    for (int score : {0, 9, 16}) {
        SCOPED_TRACE(score);
        SDL_Rect below_board{0, 400, 640, 80};
        SDL_FillRect(screen, &below_board, SDL_MapRGB(screen->format, 255, 255, 255));
        board.score = score;
        frames("");
        const screen_model band = score_band_screen("PUNKTE: " + std::to_string(score) + " VON 17");
        const screen_model want = [&](int x, int y) { return x >= 10 && x < 610 && y >= 412 ? band(x, y) : white; };
        std::string first;
        EXPECT_EQ(mismatches(want, surface_screen(screen), below_board, first), 0) << first;
        EXPECT_GT(600 * 68 - mismatches([](int, int) { return yellow; }, band, score_band, first), 1000) << "yellow pixels";
    }
}

}  // namespace
