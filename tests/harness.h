// Runs the real pellmor binary headless with a key script (see keyscript.cpp)
// in a folder of its own, and collects what it printed and what it did.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include <SDL.h>

// A folder under the system's temporary folder, removed with its contents.
struct temp_dir {
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    std::string path;
};

// The game's eight data files, in the order in which start-up opens them.
extern const std::vector<std::string> data_files;

// Copies the game's eight data files into dir, leaving out the named ones.
void copy_data(const std::string& dir, std::initializer_list<std::string> leave_out = {});

struct game_run {
    int status = -1;               // exit status, or 128 + signal
    std::string out;               // standard output, byte for byte
    std::string err;               // standard error
    std::vector<std::string> log;  // the key script's record, line by line
    std::string snap_dir;          // where snapshots were saved

    // Lines of the record that start with prefix.
    std::vector<std::string> logged(const std::string& prefix) const;
    // A snapshot, e.g. "frame-2" or "delay-1"; null when it was not taken.
    SDL_Surface* snapshot(const std::string& name) const;
};

// Runs pellmor in dir with the key script keys. Snapshots go to snap_dir
// when it is given. The game is killed if it runs for more than a minute.
game_run run_pellmor(const std::string& dir, const std::string& keys, const std::string& snap_dir = "");

// The 77 lines that the round-start drawing prints for the full level.
std::string board_trace();

// The colour of a pixel of a 16-, 24- or 32-bit surface.
SDL_Color pixel_at(SDL_Surface* surface, int x, int y);

const SDL_Color background{128, 64, 0, 0};
const SDL_Color black{0, 0, 0, 0};
const SDL_Color yellow{255, 255, 0, 0};
const SDL_Color white{255, 255, 255, 0};

// Equal as far as the display's 16-bit pixels, with 5 or 6 bits per
// channel, can tell.
bool close_to(SDL_Color a, SDL_Color b);

// What the screen shows where a sprite's pixel (x, y) is drawn over the
// colour behind: the pixel, or behind where it is pure red or off the sprite.
SDL_Color sprite_pixel(SDL_Surface* sprite, int x, int y, SDL_Color behind = background);

// A score line rendered here as the game renders it; null if it cannot be.
SDL_Surface* render_score_line(const std::string& text);

// Whether a rendered text has ink at (x, y), which may lie outside it.
bool inked(SDL_Surface* text, int x, int y);
