// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

#include "board.h"

#include <cstdio>

#include "display.h"

namespace {

struct layout_cell {
    int col, row;
    std::int8_t code;
};

// The one level: 17 points and 10 bombs. Every other cell is empty,
// including the start cells of the player (0, 0) and the monsters.
constexpr layout_cell level_layout[] = {
    {0, 5, cell_point},  {1, 0, cell_point},  {1, 3, cell_point},  {2, 3, cell_point},
    {2, 6, cell_point},  {4, 2, cell_point},  {4, 4, cell_point},  {4, 6, cell_point},
    {6, 1, cell_point},  {6, 2, cell_point},  {6, 6, cell_point},  {7, 4, cell_point},
    {9, 1, cell_point},  {9, 4, cell_point},  {9, 5, cell_point},  {10, 4, cell_point},
    {10, 6, cell_point},
    {0, 1, cell_bomb},   {1, 2, cell_bomb},   {1, 4, cell_bomb},   {2, 0, cell_bomb},
    {2, 4, cell_bomb},   {5, 3, cell_bomb},   {5, 5, cell_bomb},   {6, 0, cell_bomb},
    {6, 3, cell_bomb},   {10, 5, cell_bomb},
};

// A round only ever empties collected points, so writing the layout over the
// grid brings back exactly the level: no clearing is needed.
void lay_out_level(board_state& board)
{
    for (const layout_cell& cell : level_layout)
        board.grid[cell.col][cell.row] = cell.code;
}

void place_figures(board_state& board)
{
    board.player_col = 0;
    board.player_row = 0;
    board.monster1_col = 10;
    board.monster1_row = 0;
    board.monster2_col = 9;
    board.monster2_row = 6;
    board.monster3_col = 0;
    board.monster3_row = 6;
    board.dead = false;
    board.moved = false;
    board.score = 0;
    board.player_x = cell_to_pixel(board.player_col);
    board.player_y = cell_to_pixel(board.player_row);
}

void blit_on_cell(SDL_Surface* sprite, SDL_Rect& rect, int col, int row)
{
    rect = cell_rect(col, row);
    SDL_BlitSurface(sprite, nullptr, screen, &rect);
}

}  // namespace

SDL_Rect cell_rect(int col, int row)
{
    return SDL_Rect{static_cast<Sint16>(cell_to_pixel(col)), static_cast<Sint16>(cell_to_pixel(row)),
                    cell_size, cell_size};
}

void init_board(board_state& board)
{
    board.total_points = 17;
    for (auto& column : board.grid)
        for (std::int8_t& code : column)
            code = cell_empty;
    lay_out_level(board);
    place_figures(board);
    board.quit = 0;
}

// After a loss; total_points and quit keep their values, so a Q pressed in
// the frame of the loss still ends the program after the redraw.
void reset_round(board_state& board)
{
    place_figures(board);
    lay_out_level(board);
}

void draw_board(const board_state& board, board_rects& rects)
{
    SDL_Rect point_rect;
    SDL_Rect bomb_rect;
    for (int row = 0; row < board_rows; ++row) {
        for (int col = 0; col < board_cols; ++col) {
            const std::int8_t code = board.grid[col][row];
            std::printf("x=%i y=%i \t %i\n", col, row, code);
            if (code == cell_point)
                blit_on_cell(punkt, point_rect, col, row);
            if (code == cell_bomb)
                blit_on_cell(bombe, bomb_rect, col, row);
        }
    }
    blit_on_cell(monster, rects.sprite_rect, board.monster1_col, board.monster1_row);
    blit_on_cell(monster, rects.sprite_rect, board.monster2_col, board.monster2_row);
    blit_on_cell(monster, rects.sprite_rect, board.monster3_col, board.monster3_row);

    rects.sprite_rect.w = cell_size;
    rects.sprite_rect.h = cell_size;
    // One pixel wider and taller than a cell: the erase also clears the first
    // pixel column and row of the neighbours to the right and below.
    rects.erase_rect.w = cell_size + 1;
    rects.erase_rect.h = cell_size + 1;

    set_colour_key(typ);
}
