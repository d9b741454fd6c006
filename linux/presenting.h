// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The game's screen as the Linux layer presents it (presenting.cpp): what its tests look at.
#pragma once

#include "present.h"

extern presenter game_screen;
