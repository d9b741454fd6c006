// Single frames of the game's own frame function, in this process: a board
// set up by hand, keys held through SDL's key state, the monsters' rand()
// played from a script and every pause recorded instead of slept.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "display.h"
#include "level.h"
#include "screen.h"
#include "shell.h"
#include "test_double.h"

namespace {

std::deque<int> rand_script;  // directions 1 to 4; up when it runs out
int rand_calls = 0;
std::vector<std::string> pauses;
SDL_Surface* shown = nullptr;  // what the last flip put on the display

// Stand-ins for the three outcome pictures: a red pixel, which the colour key
// must turn into the black behind it, and one of the picture's own colour.
struct outcome_double {
    const char* name;
    SDL_Surface** picture;
    SDL_Color colour;
} outcome_doubles[] = {
    {"tod", &todbild, white},
    {"capture", &monstertodbild, {0, 255, 255, 0}},
    {"win", &winbild, {255, 0, 255, 0}},
};

// Which picture the display shows at (50, 50) on black, if any.
std::string picture_shown()
{
    if (!shown)
        return "nothing flipped";
    const bool keyed = close_to(pixel_at(shown, 50, 50), black) && close_to(pixel_at(shown, 52, 50), black) &&
                       close_to(pixel_at(shown, 49, 49), black);
    for (const outcome_double& d : outcome_doubles)
        if (keyed && close_to(pixel_at(shown, 51, 50), d.colour))
            return d.name;
    return "no picture";
}

}  // namespace

DECLARE_REAL(SDL_Flip);

extern "C" int rand() noexcept
{
    ++rand_calls;
    const int direction = rand_script.empty() ? 1 : rand_script.front();
    if (!rand_script.empty())
        rand_script.pop_front();
    return direction - 1;  // the game adds 1 to rand() % 4
}

extern "C" void TEST_DOUBLE(SDL_Delay)(Uint32 ms)
{
    pauses.push_back(std::to_string(ms) + (ms >= 1000 ? " " + picture_shown() : ""));
}

extern "C" int TEST_DOUBLE(SDL_Flip)(SDL_Surface* surface)
{
    SDL_FreeSurface(shown);
    shown = SDL_ConvertSurface(surface, surface->format, SDL_SWSURFACE);
    return REAL(SDL_Flip)(surface);
}

namespace {

score_style style;

// The game's start-up, once, in the data folder; then the outcome doubles.
class Frame : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::filesystem::current_path(PELLMOR_DATA_DIR);
        start_up(style, 17);
        for (const outcome_double& d : outcome_doubles) {
            SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 32, 0xff0000, 0xff00, 0xff, 0);
            Uint32* pixels = static_cast<Uint32*>(s->pixels);
            pixels[0] = SDL_MapRGB(s->format, 255, 0, 0);
            pixels[1] = SDL_MapRGB(s->format, d.colour.r, d.colour.g, d.colour.b);
            SDL_FreeSurface(*d.picture);
            *d.picture = s;
        }
    }

    void SetUp() override
    {
        init_board(board);
        rects = board_rects{};
        SDL_FillRect(screen, nullptr, background_colour());
        ::testing::internal::CaptureStdout();
        draw_board(board, rects);
        ::testing::internal::GetCapturedStdout();  // the board trace: not this test's business
        rand_script.clear();
        rand_calls = 0;
        pauses.clear();
    }

    // Runs one frame with these keys held; what it printed goes to out.
    frame_result frame(const std::vector<SDLKey>& keys)
    {
        Uint8* state = SDL_GetKeyState(nullptr);
        std::fill(state, state + SDLK_LAST, 0);
        for (SDLKey key : keys)
            state[key] = 1;
        ::testing::internal::CaptureStdout();
        const frame_result result = run_frame(board, rects, style);
        out += ::testing::internal::GetCapturedStdout();
        return result;
    }

    board_state board;
    board_rects rects;
    std::string out;
};

void place_player(board_state& b, int col, int row)
{
    b.player_col = col;
    b.player_row = row;
    b.player_x = cell_to_pixel(col);
    b.player_y = cell_to_pixel(row);
}

const char* result_name(frame_result r)
{
    return r == frame_result::next_frame ? "next_frame" : r == frame_result::new_round ? "new_round" : "finish";
}

std::string join(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& w : words)
        text += (text.empty() ? "" : " ") + w;
    return text;
}

// Where everyone stands, the score, and the cells that differ from the level.
std::string describe(const board_state& b)
{
    std::string text = "player " + std::to_string(b.player_col) + "," + std::to_string(b.player_row) +
                       " score " + std::to_string(b.score) + " monsters";
    for (auto [col, row] : {std::pair{b.monster1_col, b.monster1_row}, std::pair{b.monster2_col, b.monster2_row},
                            std::pair{b.monster3_col, b.monster3_row}})
        text += " " + std::to_string(col) + "," + std::to_string(row);
    for (int row = 0; row < board_rows; ++row)
        for (int col = 0; col < grid_cols; ++col)
            if (b.grid[col][row] != (col < board_cols ? expected_code(col, row) : cell_empty))
                text += " (" + std::to_string(col) + "," + std::to_string(row) + ")=" +
                        std::to_string(b.grid[col][row]);
    text += std::string(b.dead ? " dead" : "") + (b.moved ? " moved" : "");
    return text;
}

struct frame_case {
    const char* what;
    std::function<void(board_state&)> setup;
    std::vector<std::vector<SDLKey>> frames;
    std::deque<int> directions;  // what the monsters draw, in order
    // Expected:
    const char* results;
    const char* out;
    const char* pauses;
    int rand_calls;
    const char* end;
};

const char* const start = "player 0,0 score 0 monsters 10,0 9,6 0,6";

// With the monsters on their start cells and rand() drawing up, no monster
// can move: monster 1 is at the top edge, 2 and 3 have points above them.
const frame_case frame_cases[] = {
    {"idle frames, and up and left at the start cell", [](board_state&) {},
     {{}, {SDLK_UP, SDLK_LEFT}, {SDLK_w, SDLK_a}}, {},
     "next_frame next_frame next_frame", "", "", 0, start},
    {"a point collected: nine refused tries per monster, then the pause", [](board_state&) {},
     {{SDLK_RIGHT}}, {},
     "next_frame", "1. Punkte\a\n", "300", 27, "player 1,0 score 1 monsters 10,0 9,6 0,6 (1,0)=0"},
    {"S, D, W, A step like the arrows", [](board_state& b) { place_player(b, 3, 3); },
     {{SDLK_s}, {SDLK_d}, {SDLK_w}, {SDLK_a}}, {},
     "next_frame next_frame next_frame next_frame", "1. Punkte\a\n", "300 300 300 300", 108,
     "player 3,3 score 1 monsters 10,0 9,6 0,6 (4,4)=0"},
    {"right and down at column 10, row 6", [](board_state& b) { place_player(b, 10, 6); },
     {{SDLK_RIGHT, SDLK_DOWN}}, {},
     "next_frame", "", "", 0, "player 10,6 score 0 monsters 10,0 9,6 0,6"},
    {"up and right: both cells handled, up first", [](board_state& b) { place_player(b, 4, 3); },
     {{SDLK_RIGHT, SDLK_UP}}, {},
     "next_frame", "1. Punkte\a\n", "300", 27, "player 5,2 score 1 monsters 10,0 9,6 0,6 (4,2)=0"},
    {"up and down: there and back, and the monsters move", [](board_state& b) { place_player(b, 4, 3); },
     {{SDLK_DOWN, SDLK_UP}}, {},
     "next_frame", "1. Punkte\a\n", "300", 27, "player 4,3 score 1 monsters 10,0 9,6 0,6 (4,2)=0"},
    {"a bomb: the picture, then the whole level again",
     [](board_state& b) { place_player(b, 1, 0); b.grid[1][0] = cell_empty; b.score = 1; },
     {{SDLK_RIGHT}}, {},
     "new_round", "", "4000 tod", 0, start},
    {"bomb before capture", [](board_state& b) { b.monster1_col = 1; b.monster1_row = 1; },
     {{SDLK_DOWN, SDLK_RIGHT}}, {},
     "new_round", "", "4000 tod", 0, start},
    {"capture before win",
     [](board_state& b) { place_player(b, 6, 2); b.score = 16; b.monster1_col = 7; b.monster1_row = 1; },
     {{SDLK_RIGHT, SDLK_UP}}, {},
     "new_round", "17. Punkte\a\n", "4000 capture", 0, start},
    {"stepping onto a monster: caught before any monster moves",
     [](board_state& b) { place_player(b, 3, 0); b.monster1_col = 4; },
     {{SDLK_RIGHT}}, {},
     "new_round", "", "4000 capture", 0, start},
    {"onto a monster and off again in one frame: not caught",
     [](board_state& b) { place_player(b, 3, 1); b.monster1_col = 3; },
     {{SDLK_UP, SDLK_DOWN}}, {},
     "next_frame", "", "300", 27, "player 3,1 score 0 monsters 3,0 9,6 0,6"},
    {"a monster steps onto the player, who stays: caught in the next frame",
     [](board_state& b) { place_player(b, 3, 2); b.monster1_col = 4; b.monster1_row = 1; },
     {{SDLK_RIGHT}, {}}, {3},
     "next_frame new_round", "1. Punkte\a\nmonster1X = 4\n monster1Y =1\n", "300 4000 capture", 19, start},
    {"a monster steps onto the player, who steps away: not caught",
     [](board_state& b) { place_player(b, 3, 2); b.monster1_col = 4; b.monster1_row = 1; },
     {{SDLK_RIGHT}, {SDLK_LEFT}}, {3},
     "next_frame next_frame", "1. Punkte\a\nmonster1X = 4\n monster1Y =1\nmonster1X = 4\n monster1Y =2\n",
     "300 300", 38, "player 3,2 score 1 monsters 4,1 9,6 0,6 (4,2)=0"},
    {"the last point wins at once: no monster moves", [](board_state& b) { b.score = 16; },
     {{SDLK_RIGHT}}, {},
     "finish", "17. Punkte\a\n", "7000 win", 0, "player 1,0 score 17 monsters 10,0 9,6 0,6 (1,0)=0 moved"},
    {"monsters 1, 2, 3 in turn, each tracing the cell it left", [](board_state& b) { place_player(b, 3, 3); },
     {{SDLK_DOWN}}, {4, 4, 2},
     "next_frame", "monster1X = 10\n monster1Y =0\nmonster2X = 9\n monster2Y =6\nmonster3X = 0\n monster3Y =6\n",
     "300", 3, "player 3,4 score 0 monsters 9,0 8,6 1,6"},
    {"every try counts: an edge, a point, a bomb refuse",
     [](board_state& b) { place_player(b, 3, 3); b.monster1_col = 9; b.monster2_col = 0; b.monster2_row = 2; },
     {{SDLK_DOWN}}, {1, 3, 2, 4, 1, 2, 3},
     "next_frame", "monster1X = 9\n monster1Y =0\nmonster2X = 0\n monster2Y =2\n", "300", 16,
     "player 3,4 score 0 monsters 10,0 0,3 0,6"},
    {"nine tries at most: the tenth draw is the next monster's", [](board_state& b) { place_player(b, 3, 3); },
     {{SDLK_DOWN}}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 4},
     "next_frame", "monster2X = 9\n monster2Y =6\n", "300", 19, "player 3,4 score 0 monsters 10,0 8,6 0,6"},
    {"monsters share a cell",
     [](board_state& b) { place_player(b, 3, 3); b.monster1_col = 9; b.monster2_col = 8; b.monster2_row = 0; },
     {{SDLK_DOWN}}, {4},
     "next_frame", "monster1X = 9\n monster1Y =0\n", "300", 19, "player 3,4 score 0 monsters 8,0 8,0 0,6"},
};

}  // namespace

TEST_F(Frame, RulesOfOneFrame)
{
    for (const frame_case& c : frame_cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        out.clear();
        c.setup(board);
        rand_script = c.directions;
        std::vector<std::string> results;
        for (const auto& keys : c.frames)
            results.push_back(result_name(frame(keys)));
        EXPECT_EQ(join(results), c.results);
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(join(pauses), c.pauses);
        EXPECT_EQ(rand_calls, c.rand_calls);
        EXPECT_EQ(describe(board), c.end);
    }
}

// The pixel tests use the figure's picture size: a smaller figure would pass
// them at the last column and row, a larger one stops where they say.
TEST_F(Frame, AFigureOfAnotherSizeStaysOnTheBoard)
{
    SDL_Surface* const figure = typ;
    for (int size : {40, 60}) {
        SCOPED_TRACE(size);
        SetUp();
        typ = SDL_CreateRGBSurface(SDL_SWSURFACE, size, size, 16, 0, 0, 0, 0);
        board.monster2_col = 3;
        board.monster2_row = 0;
        place_player(board, 9, 5);
        frame({SDLK_DOWN, SDLK_RIGHT});
        frame({SDLK_DOWN, SDLK_RIGHT});
        EXPECT_EQ(describe(board), "player 10,6 score 1 monsters 10,0 3,0 0,6 (10,6)=0");
        SDL_FreeSurface(typ);
        typ = figure;
    }
}

// The figure's erase is 51x51: it also clears the first pixel column and row
// of the cells to the right and below. A monster's is just its cell. The
// figure and the monster are drawn on the cells they entered.
TEST_F(Frame, StepsEraseTheirSquaresAndDraw)
{
    place_player(board, 3, 3);
    rand_script = {4};  // monster 1 goes left, from (10, 0) to (9, 0)
    const Uint32 mark = SDL_MapRGB(screen->format, 255, 255, 255);
    const std::pair<int, int> marks[] = {{250, 225}, {251, 225}, {225, 250}, {225, 251}, {600, 75}, {575, 100}};
    for (auto [x, y] : marks) {
        SDL_Rect pixel{static_cast<Sint16>(x), static_cast<Sint16>(y), 1, 1};
        SDL_FillRect(screen, &pixel, mark);
    }
    frame({SDLK_UP});
    ASSERT_EQ(describe(board), "player 3,2 score 0 monsters 9,0 9,6 0,6");

    const char* expected_marks[] = {"background", "white", "background", "white", "white", "white"};
    for (size_t i = 0; i < std::size(marks); ++i) {
        const SDL_Color c = pixel_at(screen, marks[i].first, marks[i].second);
        EXPECT_STREQ(close_to(c, background) ? "background" : close_to(c, white) ? "white" : "other",
                     expected_marks[i])
            << "at " << marks[i].first << "," << marks[i].second;
    }
    int left_cell = 0, entered_cell = 0, figure_cell = 0;
    for (int y = 0; y < cell_size; ++y) {
        for (int x = 0; x < cell_size; ++x) {
            left_cell += !close_to(pixel_at(screen, 550 + x, 50 + y), background);
            entered_cell += !close_to(pixel_at(screen, 500 + x, 50 + y), sprite_pixel(monster, x, y));
            figure_cell += !close_to(pixel_at(screen, 200 + x, 150 + y), sprite_pixel(typ, x, y));
        }
    }
    EXPECT_EQ(left_cell, 0) << "pixels left of monster 1 on (10, 0)";
    EXPECT_EQ(entered_cell, 0) << "pixels of (9, 0) that are not monster 1";
    EXPECT_EQ(figure_cell, 0) << "pixels of (3, 2) that are not the figure";
}

// The band below the board is cleared, then the text drawn in yellow;
// nothing outside the band is touched.
TEST_F(Frame, ScoreLineIsDrawnInItsBand)
{
    for (int score : {0, 9, 16}) {
        SCOPED_TRACE(score);
        const std::string text = "PUNKTE: " + std::to_string(score) + " VON 17";
        SDL_Surface* want = render_score_line(text);
        ASSERT_TRUE(want) << TTF_GetError();
        SDL_Rect below_board{0, 400, 640, 80};
        SDL_FillRect(screen, &below_board, SDL_MapRGB(screen->format, 255, 255, 255));
        board.score = score;
        frame({});
        int mismatches = 0, yellow_pixels = 0;
        for (int y = 400; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                const int tx = x - 10, ty = y - 412;
                SDL_Color expected = tx >= 0 && tx < 600 && ty >= 0 ? background : white;
                if (inked(want, tx, ty))
                    expected = yellow, ++yellow_pixels;
                mismatches += !close_to(pixel_at(screen, x, y), expected);
            }
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_GT(yellow_pixels, 1000);
        SDL_FreeSurface(want);
    }
}
