// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The game's keys as every test names them, and the key scripts that keyscript.cpp plays and the referee reads:
// frames separated by ',', each a '+'-joined list of tokens (key names, or the script's own words), optionally
// followed by '*N' to repeat that frame N times. An empty frame holds no key.
#pragma once

#include <SDL_keysym.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

// Each key as SDL, X and a web page know it, and the step it makes. The X keysyms of letters are their ASCII codes;
// a page's key code is the capital letter's.
struct game_key {
    const char* name;
    SDLKey sdl;
    unsigned long x_keysym;
    const char* dom_code;  // KeyboardEvent.code; its .key is the name for a letter, else the code
    int dom_key_code;
    int col_change, row_change;
};
constexpr game_key game_keys[] = {
    {"up", SDLK_UP, 0xff52, "ArrowUp", 38, 0, -1},         {"w", SDLK_w, 'w', "KeyW", 'W', 0, -1},
    {"down", SDLK_DOWN, 0xff54, "ArrowDown", 40, 0, 1},    {"s", SDLK_s, 's', "KeyS", 'S', 0, 1},
    {"right", SDLK_RIGHT, 0xff53, "ArrowRight", 39, 1, 0}, {"d", SDLK_d, 'd', "KeyD", 'D', 1, 0},
    {"left", SDLK_LEFT, 0xff51, "ArrowLeft", 37, -1, 0},   {"a", SDLK_a, 'a', "KeyA", 'A', -1, 0},
    {"q", SDLK_q, 'q', "KeyQ", 'Q', 0, 0},                 {"f", SDLK_f, 'f', "KeyF", 'F', 0, 0},
};

inline const game_key* find_key(const std::string& name)
{
    for (const game_key& k : game_keys)
        if (name == k.name) return &k;
    return nullptr;
}

// The key of the other kind that steps the same way: an arrow's letter, a letter's arrow; Q and F themselves.
inline const game_key& twin(const game_key& k)
{
    for (const game_key& other : game_keys)
        if (&other != &k && (k.col_change || k.row_change) && other.col_change == k.col_change &&
            other.row_change == k.row_change)
            return other;
    return k;
}

inline std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

struct script_run { std::vector<std::string> tokens; long repeat; };  // a frame's tokens, held in so many frames

inline bool holds(const std::vector<std::string>& tokens, const std::string& token)
{
    return std::find(tokens.begin(), tokens.end(), token) != tokens.end();
}

// The script's frames in order, a run for each item.
inline std::vector<script_run> script_runs(const std::string& script)
{
    std::vector<script_run> runs;
    for (std::string item : script.empty() ? std::vector<std::string>{} : split(script, ',')) {
        const size_t star = std::min(item.find('*'), item.size());
        const long repeat = star < item.size() ? std::atol(item.c_str() + star + 1) : 1;
        std::vector<std::string> tokens;
        for (const std::string& token : split(item.substr(0, star), '+'))
            if (!token.empty()) tokens.push_back(token);
        runs.push_back({tokens, repeat});
    }
    return runs;
}
