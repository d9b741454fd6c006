// The board state on its own: the level after init_board and after a round
// that changed it, compared as text dumps so a failure shows the board.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "board.h"
#include "level.h"

namespace {

// Rows top to bottom, columns 0 to 11 ('|' before column 11), then the rest.
std::string dump(const board_state& b)
{
    std::ostringstream out;
    for (int row = 0; row < board_rows; ++row) {
        for (int col = 0; col < grid_cols; ++col) {
            if (col == board_cols)
                out << '|';
            const int code = b.grid[col][row];
            out << (code == cell_empty ? '.' : static_cast<char>('0' + code));
        }
        out << '\n';
    }
    out << "player " << b.player_col << ',' << b.player_row << " at " << b.player_x << ',' << b.player_y
        << "\nmonsters " << b.monster1_col << ',' << b.monster1_row << ' ' << b.monster2_col << ','
        << b.monster2_row << ' ' << b.monster3_col << ',' << b.monster3_row << "\nscore " << b.score << " of "
        << b.total_points << " dead " << b.dead << " moved " << b.moved << " quit " << b.quit << '\n';
    return out.str();
}

std::string expected_dump(int quit)
{
    std::ostringstream out;
    for (const char* row : expected_level)
        out << row << "|.\n";
    out << "player 0,0 at 50,50\nmonsters 10,0 9,6 0,6\nscore 0 of 17 dead 0 moved 0 quit " << quit << '\n';
    return out.str();
}

// A round that collected points, moved everything and set every flag.
void play_a_round(board_state& b)
{
    b.grid[1][0] = cell_empty;
    b.grid[4][2] = cell_empty;
    b.grid[10][6] = cell_empty;
    b.score = 3;
    b.player_col = 3;
    b.player_row = 4;
    b.player_x = 200;
    b.player_y = 250;
    b.monster1_col = 8;
    b.monster2_row = 2;
    b.monster3_col = 3;
    b.dead = true;
    b.moved = true;
}

}  // namespace

TEST(Board, InitLaysOutTheLevelAndTheStartCells)
{
    board_state b;
    std::memset(&b, 0x55, sizeof b);  // init_board must set every field
    init_board(b);
    EXPECT_EQ(dump(b), expected_dump(0));
}

TEST(Board, ResetRoundBringsBackTheFullLevelAndKeepsQuit)
{
    board_state b;
    init_board(b);
    for (int loss = 1; loss <= 2; ++loss) {
        play_a_round(b);
        b.quit = 1;
        reset_round(b);
        EXPECT_EQ(dump(b), expected_dump(1)) << "after loss " << loss;
    }

    // A round without a collected point: rewriting the layout changes nothing.
    init_board(b);
    reset_round(b);
    EXPECT_EQ(dump(b), expected_dump(0));
}
