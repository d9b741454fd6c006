// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// Pellmor: collect the 17 points, keep off the bombs and away from the
// three monsters.
#include <SDL.h>

#include "board.h"
#include "display.h"
#include "shell.h"

int main(int, char*[])
{
    board_state board;
    init_board(board);

    score_style style;
    start_up(style, board.total_points);

    board_rects rects{};
    draw_board(board, rects);

    run_frames(board, rects, style);

    SDL_FreeSurface(typ);
    return 0;
}
