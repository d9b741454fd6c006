// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The play rules: what happens within a frame. The player's steps and the
// monsters' choice of cell work on the board state alone; the rest draws.
#pragma once

#include <cstdint>
#include <string>

#include <SDL.h>
#include <SDL_ttf.h>

#include "board.h"

enum class frame_result { next_frame, new_round, finish };

// What the score line is drawn with; set once at start-up.
struct score_style {
    TTF_Font* font;
    SDL_Color text_colour;
};

// The player: one step per direction whose key is held, in the order up,
// down, right, left, each from where the step before it ended. A step needs
// room for a figure of figure_w x figure_h pixels before the board's edge,
// and a target cell on the board. Collects points, notes a bomb, sets moved.
void move_player(board_state& board, const Uint8* keys, int figure_w, int figure_h);

// Erases the figure's square from the start of the frame, draws the figure
// at its cell and flips the screen.
void redraw_player(const board_state& board, board_rects& rects);

// Monsters walk only on empty cells of the board; they never stand on a
// point or a bomb.
bool monster_may_enter(const board_state& board, int col, int row);

// One monster's turn: up to nine random tries at a step to a neighbouring
// cell. A step taken prints its trace with the cell left, and is drawn.
void step_monster(const board_state& board, std::int32_t& col, std::int32_t& row, SDL_Rect& monster_rect,
                  const char* trace_format);

// After a frame with a player step: each monster takes its turn, then the
// game pauses 300 ms and clears moved. Does nothing in any other frame.
void move_monsters(board_state& board);

// "PUNKTE: 5 VON 17": the score line's text.
std::string score_text(std::int32_t score, std::int32_t total_points);

// The score line in the band below the board; shows with the next flip.
void draw_score_line(const board_state& board, const score_style& style);

// The player's cell is a monster's cell.
bool player_caught(const board_state& board);

// Black screen, the picture at (50, 50), a flip, then the wait.
void show_outcome_picture(SDL_Surface* picture, Uint32 wait, board_rects& rects);

// A bomb or a monster: the picture, then the round starts again.
frame_result lose_round(board_state& board, board_rects& rects, SDL_Surface* picture);

// Every point collected: the win picture, and the game is over.
frame_result win_game(board_rects& rects);
