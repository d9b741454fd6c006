// Runs the real pellmor binary headless with a key script (see keyscript.cpp)
// in a folder of its own, and collects what it printed and what it did.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include <SDL.h>

#include "screen.h"

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
    // The most memory the game held, in kB, as it said at its exit; -1 if it
    // did not say.
    long peak_kb() const;
    // A snapshot, e.g. "frame-2" or "delay-1"; null when it was not taken.
    surface_ptr snapshot(const std::string& name) const;
};

// Runs pellmor in dir with the key script keys. Snapshots go to snap_dir
// when it is given. The game is killed if it runs for more than time_limit
// seconds. unprivileged: when the tests run as root, the game runs as
// nobody, so that file permissions apply to it. video_driver: SDL's.
game_run run_pellmor(const std::string& dir, const std::string& keys, const std::string& snap_dir = "",
                     bool unprivileged = false, unsigned time_limit = 60, const char* video_driver = "dummy");
