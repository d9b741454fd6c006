// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

#include "rules.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "display.h"

namespace {

// The board's edges in pixels: x from 50 to 599, y from 50 to 399.
constexpr int board_left = cell_to_pixel(0);
constexpr int board_top = cell_to_pixel(0);
constexpr int board_right = cell_to_pixel(board_cols);
constexpr int board_bottom = cell_to_pixel(board_rows);

constexpr Uint32 monster_pause = 300;
constexpr Uint32 loss_wait = 4000;
constexpr Uint32 win_wait = 7000;
constexpr int monster_attempts = 9;

struct player_step {
    SDLKey key, other_key;
    int col_change, row_change;
};

// The order matters: each step starts where the one before it ended.
constexpr player_step player_steps[] = {
    {SDLK_UP, SDLK_w, 0, -1},
    {SDLK_DOWN, SDLK_s, 0, 1},
    {SDLK_RIGHT, SDLK_d, 1, 0},
    {SDLK_LEFT, SDLK_a, -1, 0},
};

// The pixel tests use the figure's picture size, so a figure smaller than a
// cell would pass them at the last column and row: the target cell must be
// on the board as well.
bool may_step(const board_state& board, const player_step& step, int figure_w, int figure_h)
{
    bool room;
    if (step.row_change < 0)
        room = board.player_y > board_top;
    else if (step.row_change > 0)
        room = board_bottom - figure_h > board.player_y;
    else if (step.col_change > 0)
        room = board_right - figure_w > board.player_x;
    else
        room = board.player_x > board_left;
    return room && on_board(board.player_col + step.col_change, board.player_row + step.row_change);
}

// The bomb stays in the grid; a collected point is gone for the round.
void enter_cell(board_state& board)
{
    std::int8_t& cell = board.grid[board.player_col][board.player_row];
    if (cell == cell_point) {
        ++board.score;
        cell = cell_empty;
        std::printf("%i. Punkte\a\n", board.score);
    }
    if (cell == cell_bomb)
        board.dead = true;
    board.moved = true;
}

// Indexed by the direction drawn: 1 up, 2 right, 3 down, 4 left.
constexpr int monster_col_change[] = {0, 0, 1, 0, -1};
constexpr int monster_row_change[] = {0, -1, 0, 1, 0};

}  // namespace

void move_player(board_state& board, const Uint8* keys, int figure_w, int figure_h)
{
    for (const player_step& step : player_steps) {
        if (!(keys[step.key] || keys[step.other_key]) || !may_step(board, step, figure_w, figure_h))
            continue;
        board.player_col += step.col_change;
        board.player_row += step.row_change;
        board.player_x = cell_to_pixel(board.player_col);
        board.player_y = cell_to_pixel(board.player_row);
        enter_cell(board);
    }
}

void redraw_player(const board_state& board, board_rects& rects)
{
    rects.sprite_rect.x = static_cast<Sint16>(board.player_x);
    rects.sprite_rect.y = static_cast<Sint16>(board.player_y);
    SDL_FillRect(screen, &rects.erase_rect, background_colour());
    SDL_BlitSurface(typ, nullptr, screen, &rects.sprite_rect);
    SDL_Flip(screen);
}

// The edges are tested first: the grid is looked at only on the board.
bool monster_may_enter(const board_state& board, int col, int row)
{
    return on_board(col, row) && board.grid[col][row] == cell_empty;
}

// Every try draws afresh, so a refused direction may come again and a
// monster with a free neighbour may still stay where it is. Monsters do not
// block one another or the player, and the 50x50 erase of the cell left also
// clears another monster standing there until it steps again.
void step_monster(const board_state& board, std::int32_t& col, std::int32_t& row, SDL_Rect& monster_rect,
                  const char* trace_format)
{
    for (int attempt = 0; attempt < monster_attempts; ++attempt) {
        const int direction = std::rand() % 4 + 1;
        const int to_col = col + monster_col_change[direction];
        const int to_row = row + monster_row_change[direction];
        if (!monster_may_enter(board, to_col, to_row))
            continue;
        SDL_Rect monster_erase_rect = cell_rect(col, row);
        std::printf(trace_format, col, row);
        col = to_col;
        row = to_row;
        monster_rect = cell_rect(col, row);
        SDL_FillRect(screen, &monster_erase_rect, background_colour());
        SDL_BlitSurface(monster, nullptr, screen, &monster_rect);
        return;
    }
}

void move_monsters(board_state& board)
{
    if (!board.moved)
        return;
    SDL_Rect monster1_rect, monster2_rect, monster3_rect;
    step_monster(board, board.monster1_col, board.monster1_row, monster1_rect, "monster1X = %i\n monster1Y =%i\n");
    step_monster(board, board.monster2_col, board.monster2_row, monster2_rect, "monster2X = %i\n monster2Y =%i\n");
    step_monster(board, board.monster3_col, board.monster3_row, monster3_rect, "monster3X = %i\n monster3Y =%i\n");
    SDL_Delay(monster_pause);
    board.moved = false;
}

std::string score_text(std::int32_t score, std::int32_t total_points)
{
    std::ostringstream text;
    text << "PUNKTE: " << score << " VON " << total_points;
    return text.str();
}

void draw_score_line(const board_state& board, const score_style& style)
{
    SDL_Surface* score_surface =
        TTF_RenderText_Solid(style.font, score_text(board.score, board.total_points).c_str(), style.text_colour);

    // The fill and the blit clip this rect in place, so all of it is set
    // every time. Clipped to the display, the fill clears 600x68 pixels.
    SDL_Rect score_rect{10, 412, 600, 400};
    SDL_FillRect(screen, &score_rect, background_colour());
    if (score_surface == nullptr)
        return;  // the band stays cleared
    SDL_BlitSurface(score_surface, nullptr, screen, &score_rect);
    // Idle frames follow one another without pause: nothing rendered may
    // outlive its frame.
    SDL_FreeSurface(score_surface);
}

bool player_caught(const board_state& board)
{
    const auto at_player = [&board](std::int32_t col, std::int32_t row) {
        return col == board.player_col && row == board.player_row;
    };
    return at_player(board.monster1_col, board.monster1_row) || at_player(board.monster2_col, board.monster2_row) ||
           at_player(board.monster3_col, board.monster3_row);
}

// The colour key is set each time the picture is shown: red lets the black
// through. Events that come during the wait stay queued for the next frame.
void show_outcome_picture(SDL_Surface* picture, Uint32 wait, board_rects& rects)
{
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
    rects.sprite_rect = SDL_Rect{static_cast<Sint16>(board_left), static_cast<Sint16>(board_top),
                                 static_cast<Uint16>(picture->w), static_cast<Uint16>(picture->h)};
    set_colour_key(picture);
    SDL_BlitSurface(picture, nullptr, screen, &rects.sprite_rect);
    SDL_Flip(screen);
    SDL_Delay(wait);
}

// The picture stays on the display until the new round's first flip: the
// board is drawn onto the background without one.
frame_result lose_round(board_state& board, board_rects& rects, SDL_Surface* picture)
{
    show_outcome_picture(picture, loss_wait, rects);
    reset_round(board);
    SDL_FillRect(screen, nullptr, background_colour());
    return frame_result::new_round;
}

frame_result win_game(board_rects& rects)
{
    show_outcome_picture(winbild, win_wait, rects);
    return frame_result::finish;
}
