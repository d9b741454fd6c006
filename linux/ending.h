// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// What the Linux layer's parts ask of ending.cpp: where a signal that has come ends the game.
#pragma once

#include <functional>

// A quit event that comes with the display gone: the display's loss ends the game here, not the quit.
void end_if_display_gone();
// Before each look for events: a signal that has come ends the game here.
void end_if_signalled();
// A wait in which the game holds no lock (a pause, an unchanged flip's wait): a signal ends the game at once, and
// one that came before it, as soon as it is over.
void rest(const std::function<void()>& wait);
