// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The rules told a second time, in the tests' own terms and independently of the game's code: given a key script,
// what the game must print and which pauses it must make. Monsters draw from a model of the C library's rand(),
// from the unseeded start of its sequence, as the game does.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The C libraries that the builds run on: glibc (Linux), msvcrt (Windows), musl (the web page).
enum class c_library { glibc, msvcrt, musl };
std::function<int()> unseeded_rand(c_library library);

struct referee {
    explicit referee(c_library library = c_library::glibc);  // the first round is drawn

    void play_frame(const std::vector<std::string>& tokens);  // one frame, these tokens of a key script held
    void play_script(const std::string& keys);  // a whole key script, then Q held, as the key script library plays it

    std::vector<std::string> level;  // rows of '.' empty, '1' point, '2' bomb
    int player_col = 0, player_row = 0, monster_col[3], monster_row[3], score = 0;
    int bombs = 0, captures = 0;  // rounds lost each way
    bool quit = false, won = false;
    std::string out, delays;  // the standard output and the pauses ("300, 4000") expected so far
    long frames = 0;
    std::function<int()> rand;

private:
    void start_round();
    void step_monsters();
    void pause(unsigned ms);
};

// A key script whose first word may be "win" or "capture": a walk there that a player who looks one frame ahead
// would play, one step per frame towards the nearest point (or monster), around bombs, never onto a monster's cell
// (or only onto it), until the referee sees the game won (or the player caught), or 400 frames have run.
std::string planned(const std::string& keys, c_library library);
