// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The real game as a player meets it on one of the screens it runs on: what every front end of the player tests
// does. Made by its start function, which starts the game in a data folder of its own.
#pragma once

#include <memory>

#include "harness.h"

struct front_end {
    virtual ~front_end() = default;
    virtual void key(const std::string& name, bool down) = 0;  // a key of the key table (key_script.h)
    // What shows in area of the game's 640x480 now, in the game's own pixels; a look at the whole finds it anew.
    virtual screen_model shown(SDL_Rect area) = 0;
    // Whether pixels of area may blend at colour edges: scaled, or text drawn by another FreeType than the tests'.
    virtual bool blends(SDL_Rect area) = 0;
    virtual bool full_screen() = 0;
    virtual std::string misplaced() = 0;  // where the game does not sit (or come from) as it should, in words
    virtual bool close_window() = 0;      // as a window manager does; false if there is none
    virtual bool fault(int signal) = 0;   // the display killed as in a crash (0), or the signal sent; false if not here
    virtual std::string trace() = 0;      // what the game has printed so far, lines ended by LF
    virtual int ended(int ms) = 0;        // the game's exit status, waiting up to ms; -1 while it runs
    virtual std::string notes() = 0;      // what else it said (its error output, the page's console)
    virtual int presents() = 0;           // frames the display has been handed so far, as it tells
    // The times the game has woken so far: the context switches of its process's threads; on the page, the timers
    // and animation frames that ran its program.
    virtual long wakes() = 0;
    // The game's window covered by another that then goes away (way 0), iconified and restored (way 1); the page
    // hidden and shown again (way 0). False when there is no such way here.
    virtual bool hide_and_show(int way) = 0;
    // The key held a second way as well (a phone: a second finger on its control; a pad: the keyboard), or let go
    // that way; false if there is none.
    virtual bool second_hand(const std::string&, bool) { return false; }
    // The key as key() holds it lost without its release: the touch cancelled, as when the browser takes the finger
    // over for a gesture or a call comes in; the pad unplugged.
    virtual void lose_hold(const std::string&) {}
    // The game's processes, the game's first, then those that show it (the X server, Wine's, the browser's).
    virtual std::vector<pid_t> processes() = 0;
    virtual std::string in_page(const std::string&) { return ""; }  // what the page's script makes of an expression
    steady::time_point started = steady::now();  // when the game was asked to start
};

// Where the game's 640x480 shows on a screen: 1:1 in a window or centred in a full screen, or scaled up to fill it.
// The game's border is the board's brown all round, so the brown's extent is the game's: a look at the whole finds
// it there, if it shows in the game's shape. grab gives a part of the screen, its pixels by the screen's
// coordinates; a scaled pixel is read at its centre.
struct placement {
    int left = 0, top = 0;
    double scale = 0;
    using grabber = std::function<std::function<SDL_Color(int, int)>(int left, int top, int w, int h)>;
    screen_model shown(const grabber& grab, int width, int height, SDL_Rect area);
};

// Waits up to ms for area to show want; how it differs at the last look, or nothing once it shows it.
std::string differs(front_end& f, const screen_model& want, SDL_Rect area, int ms);
// The milliseconds from a key's press until the figure shows on cell (col, 0); -1 if it does not within a second.
double step_latency(front_end& f, const char* key, int col);

std::unique_ptr<front_end> start_on_x();        // the Linux build on an X display
std::unique_ptr<front_end> start_under_wine();  // the Windows build's pellmor.exe on it, under Wine
std::unique_ptr<front_end> start_on_wayland();  // the Linux build on a Wayland compositor
std::string wayland_missing();                  // why the Wayland front end cannot run here; "" if it can
std::unique_ptr<front_end> start_in_browser();  // the web build in Chromium
std::unique_ptr<front_end> start_on_phone();    // the same on a touch phone, played by its controls
std::unique_ptr<front_end> start_on_phone_offline();  // once visited, then reloaded without a network
std::unique_ptr<front_end> start_with_pad();          // the page played with a pad
std::unique_ptr<front_end> start_empty_browser();     // Chromium as for the page, on an empty one
