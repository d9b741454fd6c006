// The play rules: what happens within a frame.
#pragma once

#include "board.h"

// Erases the figure's square from the start of the frame, draws the figure
// at its cell and flips the screen.
void redraw_player(const board_state& board, board_rects& rects);
