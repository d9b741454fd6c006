// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The board state of one run: the level, the figures' cells, the score and
// the flags of the current frame. Nothing here needs a display.
#pragma once

#include <cstdint>

#include <SDL.h>

// Cell codes, compared as single bytes.
constexpr std::int8_t cell_empty = 0;
constexpr std::int8_t cell_point = 1;
constexpr std::int8_t cell_bomb = 2;

// The grid has a twelfth column that is never drawn, entered or read.
constexpr int grid_cols = 12;
constexpr int board_cols = 11;
constexpr int board_rows = 7;
constexpr int cell_size = 50;

struct board_state {
    std::int8_t grid[grid_cols][board_rows];  // cell (c, r) is element c*7 + r
    std::int32_t total_points;
    std::int32_t score;
    std::int32_t player_col, player_row;
    std::int32_t player_x, player_y;  // always the pixel of the player's cell
    std::int32_t monster1_col, monster1_row;
    std::int32_t monster2_col, monster2_row;
    std::int32_t monster3_col, monster3_row;
    bool dead;   // the player stepped onto a bomb in this frame
    bool moved;  // the player took at least one step in this frame
    std::int32_t quit;
};

// The rects that the round-start drawing prepares for the frame loop.
struct board_rects {
    SDL_Rect sprite_rect;  // the player's blit, later the outcome pictures'
    SDL_Rect erase_rect;   // 51x51 at the player's position when a frame starts
};

void init_board(board_state& board);
void reset_round(board_state& board);

// Draws points, bombs and monsters onto a screen that holds only the
// background colour, and prints one trace line per board cell.
void draw_board(const board_state& board, board_rects& rects);

// Top-left pixel of a cell, on either axis: the board starts 50 pixels in.
constexpr int cell_to_pixel(int cell) { return (cell + 1) * cell_size; }

constexpr bool on_board(int col, int row)
{
    return col >= 0 && col < board_cols && row >= 0 && row < board_rows;
}

// The 50x50 rect of a cell.
SDL_Rect cell_rect(int col, int row);
