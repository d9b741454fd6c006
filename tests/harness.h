// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// What every runner of the real game needs from the system (children started, waited for with a limit and killed;
// temporary folders, files, the clock), and the headless runner: the game with a key script (see keyscript.cpp) in
// a folder of its own, and what it printed and did. The game is the Linux build's, or with PELLMOR_WINDOWS_BUILD
// set to a Windows build's folder, that build's under Wine (the scripted copy, which has the key script linked in).
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "key_script.h"
#include "referee.h"
#include "screen.h"

namespace fs = std::filesystem;

using steady = std::chrono::steady_clock;
double ms_since(steady::time_point start);
void sleep_ms(int ms);

// A folder under the system's temporary folder, removed with its contents.
struct temp_dir {
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    std::string path;
};

std::string read_bytes(const std::string& path);  // throws if it cannot be read
void write_bytes(const std::string& path, const std::string& bytes);

// The environment this process was started with, each NAME=VALUE of changes set and each NAME unset.
std::vector<std::string> stated_environment(const std::vector<std::string>& changes);
// Starts argv[0], looked up in PATH, in dir, in stated_environment(env); out and err receive
// standard output and error; fds become the child's 3, 4 ...; as_nobody, when run as root, lets file permissions
// apply. The child dies with the runner.
pid_t spawn(const std::vector<std::string>& argv, const std::string& dir = ".", const std::vector<std::string>& env = {},
            const std::string& out = "/dev/null", const std::string& err = "/dev/null", const std::vector<int>& fds = {},
            bool as_nobody = false);
// How wait_for tells a child that a signal killed: past every exit status, so that an exit(143) is not taken for the
// SIGTERM that a shell would show as 143 too.
constexpr int killed_by(int signal) { return 256 + signal; }
int wait_for(pid_t pid, int ms);  // the child's exit status, or killed_by(its signal); -1 if it still runs after ms
void stop(pid_t pid);             // kills a child that runs, and reaps it
pid_t start_xvfb(std::string& display);  // an X server, 1024x768, and its display's name once it is ready; -1 if none
long context_switches(pid_t pid);        // of all its threads so far, voluntary or not: how often it woke

extern const char* const windows_build;  // null for the Linux build; set before main, read it after
c_library game_c_library();               // whose rand() the game draws from

extern const std::vector<std::string> data_files;  // the game's eight, in the order in which start-up opens them
void copy_data(const std::string& dir, std::initializer_list<std::string> leave_out = {});  // the build's, into dir
std::string message_for(const std::string& file);  // what start-up prints before its reason when it cannot load it

struct run_options {
    run_options(std::string snaps = "") : snap_dir(std::move(snaps)) {}
    std::string snap_dir;              // where snapshots go, if any are taken
    bool unprivileged = false;         // as nobody when the tests run as root, so that permissions apply
    int time_limit_ms = 60000;         // then the game is killed
    std::string video_driver = "dummy";
    std::string binary;                // another program than the scripted game, run the same way
};

struct game_run {
    int status = -1;               // exit status, or killed_by(signal)
    std::string out, err;          // standard output (without CRs) and error
    std::vector<std::string> log;  // the key script's record, line by line
    std::string snap_dir;
    double ms = 0;                 // how long it ran

    std::string said(const std::string& words) const;  // what the record says after the words, its lines joined by ", "
    long peak_kb() const { return std::atol(said("peak").c_str()); }  // the most memory the game held, in kB
    surface_ptr snapshot(const std::string& name) const;  // e.g. "frame-2" or "delay-1"; null when it was not taken
};

game_run run_pellmor(const std::string& dir, const std::string& keys, const run_options& options = {});
game_run play(const std::string& keys, const run_options& options = {});  // in a folder of its own with the data

std::string joined(const std::vector<std::string>& words);  // by ", "
std::string without_crs(std::string text);                  // without the CRs of Windows' line ends
