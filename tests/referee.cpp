#include "referee.h"

#include <cstdlib>
#include <deque>

#include "key_script.h"
#include "level.h"
#include "screen.h"

namespace {

const int start_monster_col[3] = {10, 9, 0};
const int start_monster_row[3] = {0, 6, 6};

struct direction {
    const char* key;
    const char* other_key;
    int col_change, row_change;
};

// The player's keys, in the order in which a frame tests them.
const direction player_directions[] = {
    {"up", "w", 0, -1}, {"down", "s", 0, 1}, {"right", "d", 1, 0}, {"left", "a", -1, 0}};

bool on_board(int col, int row) { return col >= 0 && col <= 10 && row >= 0 && row <= 6; }

bool holds(const std::vector<std::string>& tokens, const char* key)
{
    for (const std::string& token : tokens)
        if (token == key)
            return true;
    return false;
}

}  // namespace

referee::referee()
{
    std::srand(1);  // the sequence of a generator that was never seeded
    start_round();
}

void referee::start_round()
{
    level.assign(std::begin(expected_level), std::end(expected_level));
    player_col = player_row = score = 0;
    for (int m = 0; m < 3; ++m) {
        monster_col[m] = start_monster_col[m];
        monster_row[m] = start_monster_row[m];
    }
    out += board_trace();
}

void referee::play_frame(const std::vector<std::string>& tokens)
{
    ++frames;
    quit = quit || holds(tokens, "q") || holds(tokens, "close");
    bool dead = false, moved = false;
    for (const direction& d : player_directions) {
        const int col = player_col + d.col_change, row = player_row + d.row_change;
        if (!(holds(tokens, d.key) || holds(tokens, d.other_key)) || !on_board(col, row))
            continue;
        player_col = col;
        player_row = row;
        char& cell = level[row][col];
        if (cell == '1') {
            cell = '.';
            out += std::to_string(++score) + ". Punkte\a\n";
        }
        dead = dead || cell == '2';
        moved = true;
    }
    bool caught = false;
    for (int m = 0; m < 3; ++m)
        caught = caught || (monster_col[m] == player_col && monster_row[m] == player_row);
    if (dead || caught) {
        ++(dead ? bombs : captures);
        delays.push_back(4000);
        start_round();
    } else if (score == 17) {
        delays.push_back(7000);
        won = true;
    } else if (moved) {
        step_monsters();
        delays.push_back(300);
    }
}

void referee::step_monsters()
{
    const int col_change[] = {0, 0, 1, 0, -1}, row_change[] = {0, -1, 0, 1, 0};
    for (int m = 0; m < 3; ++m) {
        for (int attempt = 0; attempt < 9; ++attempt) {
            const int d = rand() % 4 + 1;
            const int col = monster_col[m] + col_change[d], row = monster_row[m] + row_change[d];
            if (!on_board(col, row) || level[row][col] != '.')
                continue;
            const std::string name = "monster" + std::to_string(m + 1);
            out += name + "X = " + std::to_string(monster_col[m]) + "\n " + name + "Y =" +
                   std::to_string(monster_row[m]) + "\n";
            monster_col[m] = col;
            monster_row[m] = row;
            break;
        }
    }
}

void referee::play_script(const std::string& keys)
{
    for (const std::vector<std::string>& tokens : script_frames(keys))
        if (!quit && !won)
            play_frame(tokens);
    while (!quit && !won)
        play_frame({"q"});
}

namespace {

bool monster_on(const referee& game, int col, int row)
{
    for (int m = 0; m < 3; ++m)
        if (game.monster_col[m] == col && game.monster_row[m] == row)
            return true;
    return false;
}

// The first step of a shortest way around bombs to the nearest goal: a point,
// avoiding monsters, or a monster. Any other safe step when there is none.
const char* next_step(const referee& game, bool to_monster)
{
    const auto passable = [&](int col, int row) {
        return on_board(col, row) && game.level[row][col] != '2' && (to_monster || !monster_on(game, col, row));
    };
    const auto goal = [&](int col, int row) {
        return to_monster ? monster_on(game, col, row) : game.level[row][col] == '1';
    };
    const char* first[11][7] = {};
    std::deque<std::pair<int, int>> queue;
    for (const direction& d : player_directions) {
        const int col = game.player_col + d.col_change, row = game.player_row + d.row_change;
        if (passable(col, row)) {
            first[col][row] = d.key;
            queue.emplace_back(col, row);
        }
    }
    const char* fallback = queue.empty() ? "up" : first[queue.front().first][queue.front().second];
    for (; !queue.empty(); queue.pop_front()) {
        const auto [col, row] = queue.front();
        if (goal(col, row))
            return first[col][row];
        for (const direction& d : player_directions) {
            const int c = col + d.col_change, r = row + d.row_change;
            if (passable(c, r) && !first[c][r] && !(c == game.player_col && r == game.player_row)) {
                first[c][r] = first[col][row];
                queue.emplace_back(c, r);
            }
        }
    }
    return fallback;
}

std::string plan(bool to_monster, int max_frames, std::function<int()> rand = nullptr)
{
    referee game;
    if (rand)
        game.rand = std::move(rand);
    std::string script;
    while (!game.won && game.captures == 0 && game.frames < max_frames) {
        const char* step = next_step(game, to_monster);
        script += (script.empty() ? "" : ",") + std::string(step);
        game.play_frame({step});
    }
    return script;
}

}  // namespace

std::string plan_win(int max_frames, std::function<int()> rand) { return plan(false, max_frames, std::move(rand)); }
std::string plan_capture(int max_frames) { return plan(true, max_frames); }
