// The rules told a second time, in the tests' own terms and independently of
// the game's code: given a key script, what the game must print and which
// pauses it must make. Monsters draw from the C library's rand() as the game
// does, from the unseeded start of its sequence, so only one referee may be
// playing at a time.
#pragma once

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

struct referee {
    referee();  // the first round is drawn; rand() starts from its beginning

    // One frame with these tokens held (as in a key script: up, w, q, close...).
    void play_frame(const std::vector<std::string>& tokens);
    // A whole key script, then Q held, as the key script library plays it.
    void play_script(const std::string& keys);

    std::vector<std::string> level;  // rows of '.' empty, '1' point, '2' bomb
    int player_col = 0, player_row = 0;
    int monster_col[3], monster_row[3];
    int score = 0;
    int bombs = 0, captures = 0;  // rounds lost each way
    bool quit = false, won = false;
    std::string out;              // the standard output expected so far
    std::vector<unsigned> delays;  // the pauses expected so far
    long frames = 0;
    std::function<int()> rand = [] { return std::rand(); };  // the game's C library's

private:
    void start_round();
    void step_monsters();
};

// Key scripts that a player who looks one frame ahead would play: one step
// per frame towards the nearest point (or monster), around bombs, never onto
// a monster's cell (or only onto it). Played until the referee sees the game
// won (or the player caught), or max_frames run out; with the game's rand(),
// or another C library's.
std::string plan_win(int max_frames = 400, std::function<int()> rand = nullptr);
std::string plan_capture(int max_frames = 400);
