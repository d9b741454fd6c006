// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

#include "referee.h"

#include <algorithm>
#include <cstdint>
#include <deque>

#include "key_script.h"
#include "screen.h"

namespace {

const int start_monster_col[3] = {10, 9, 0};
const int start_monster_row[3] = {0, 6, 6};

// The player's steps, in the order in which a frame tests them: the arrows'.
const game_key* const player_directions[] = {find_key("up"), find_key("down"), find_key("right"), find_key("left")};

bool on_board(int col, int row) { return col >= 0 && col <= 10 && row >= 0 && row <= 6; }

bool monster_on(const referee& game, int col, int row)
{
    for (int m = 0; m < 3; ++m)
        if (game.monster_col[m] == col && game.monster_row[m] == row) return true;
    return false;
}

// Whether a key that steps as d does is held (an arrow, or W, A, S, D).
bool holds_step(const std::vector<std::string>& tokens, const game_key* d)
{
    return std::any_of(tokens.begin(), tokens.end(), [d](const std::string& t) {
        const game_key* k = find_key(t);
        return k && k->col_change == d->col_change && k->row_change == d->row_change;
    });
}

}  // namespace

std::function<int()> unseeded_rand(c_library library)
{
    if (library == c_library::msvcrt)  // a 32-bit linear congruence, its bits 16 to 30
        return [seed = 1u]() mutable { return static_cast<int>((seed = seed * 214013 + 2531011) >> 16 & 0x7fff); };
    if (library == c_library::musl)  // a 64-bit linear congruence, its top 31 bits
        return [seed = 0ull]() mutable { return static_cast<int>((seed = 6364136223846793005ull * seed + 1) >> 33); };
    // glibc: r[i] = r[i-3] + r[i-31] from a seed of 1, the first 310 sums thrown away, each result halved.
    std::uint32_t r[34] = {1};
    for (int i = 1; i < 31; ++i) r[i] = static_cast<std::uint32_t>(16807 * std::int64_t{r[i - 1]} % 2147483647);
    for (int i = 31; i < 34; ++i) r[i] = r[i - 31];
    auto next = [r, n = 34ul]() mutable {
        r[n % 34] = r[(n - 31) % 34] + r[(n - 3) % 34];
        return static_cast<int>(r[n++ % 34] >> 1);
    };
    for (int i = 34; i < 344; ++i) next();
    return next;
}

referee::referee(c_library library) : rand(unseeded_rand(library)) { start_round(); }

void referee::start_round()
{
    level.assign(std::begin(expected_level), std::end(expected_level));
    player_col = player_row = score = 0;
    for (int m = 0; m < 3; ++m)
        monster_col[m] = start_monster_col[m], monster_row[m] = start_monster_row[m];
    out += board_trace();
}

void referee::play_frame(const std::vector<std::string>& tokens)
{
    ++frames;
    quit = quit || holds(tokens, "q") || holds(tokens, "close");
    bool dead = false, moved = false;
    for (const game_key* d : player_directions) {
        const int col = player_col + d->col_change, row = player_row + d->row_change;
        if (!holds_step(tokens, d) || !on_board(col, row)) continue;
        player_col = col, player_row = row;
        char& cell = level[row][col];
        if (cell == '1') {
            cell = '.';
            out += std::to_string(++score) + ". Punkte\a\n";
        }
        dead = dead || cell == '2';
        moved = true;
    }
    if (dead || monster_on(*this, player_col, player_row)) {
        ++(dead ? bombs : captures);
        pause(4000);
        start_round();
    } else if (score == 17) {
        pause(7000);
        won = true;
    } else if (moved) {
        step_monsters();
        pause(300);
    }
}

void referee::pause(unsigned ms) { delays += (delays.empty() ? "" : ", ") + std::to_string(ms); }

void referee::step_monsters()
{
    const int col_change[] = {0, 0, 1, 0, -1}, row_change[] = {0, -1, 0, 1, 0};
    for (int m = 0; m < 3; ++m) {
        for (int attempt = 0; attempt < 9; ++attempt) {
            const int d = rand() % 4 + 1;
            const int col = monster_col[m] + col_change[d], row = monster_row[m] + row_change[d];
            if (!on_board(col, row) || level[row][col] != '.') continue;
            const std::string name = "monster" + std::to_string(m + 1);
            out += name + "X = " + std::to_string(monster_col[m]) + "\n " + name + "Y =" + std::to_string(monster_row[m]);
            out += "\n";
            monster_col[m] = col, monster_row[m] = row;
            break;
        }
    }
}

void referee::play_script(const std::string& keys)
{
    for (const script_run& run : script_runs(keys))
        for (long i = 0; i < run.repeat && !quit && !won; ++i)
            play_frame(run.tokens);
    while (!quit && !won) play_frame({"q"});
}

namespace {

// The first step of a shortest way around bombs to the nearest goal: a point, avoiding monsters, or a monster. Any
// other safe step when there is none.
const char* next_step(const referee& game, bool to_monster)
{
    const auto passable = [&](int col, int row) {
        return on_board(col, row) && game.level[row][col] != '2' && (to_monster || !monster_on(game, col, row));
    };
    const auto goal = [&](int col, int row) {
        return to_monster ? monster_on(game, col, row) : game.level[row][col] == '1';
    };
    const char* first[11][7] = {};  // the first step of the way found to each cell
    const char* fallback = nullptr;
    for (std::deque<std::pair<int, int>> queue{{game.player_col, game.player_row}}; !queue.empty(); queue.pop_front()) {
        const auto [col, row] = queue.front();
        if (first[col][row] && goal(col, row)) return first[col][row];
        for (const game_key* d : player_directions) {
            const int c = col + d->col_change, r = row + d->row_change;
            if (passable(c, r) && !first[c][r] && !(c == game.player_col && r == game.player_row)) {
                first[c][r] = first[col][row] ? first[col][row] : d->name;
                fallback = fallback ? fallback : first[c][r];
                queue.emplace_back(c, r);
            }
        }
    }
    return fallback ? fallback : "up";
}

}  // namespace

std::string planned(const std::string& keys, c_library library)
{
    const bool to_monster = keys.rfind("capture", 0) == 0;
    if (!to_monster && keys.rfind("win", 0) != 0) return keys;
    referee game(library);
    std::string script;
    while (!game.won && game.captures == 0 && game.frames < 400) {
        const char* step = next_step(game, to_monster);
        script += (script.empty() ? "" : ",") + std::string(step);
        game.play_frame({step});
    }
    return script + keys.substr(to_monster ? 7 : 3);
}
