// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// Start-up and the frame loop.
#pragma once

#include "board.h"
#include "rules.h"

// Starts SDL and the font engine, opens the display and loads the pictures
// and the font from the working directory; the font must draw every score
// up to total_points. Any failure prints its message on standard output and
// ends the process with status 1.
void start_up(score_style& style, int total_points);

// One pass of the frame loop.
frame_result run_frame(board_state& board, board_rects& rects, const score_style& style);

// Runs frames until quit is found set or a frame ends with finish.
void run_frames(board_state& board, board_rects& rects, const score_style& style);
