// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// Which of the game's frames reach the display, and how long each flip waits, whichever SDL 1.2 the game runs on:
// the presenter of platform/present.h over the game's screen. Linked into the Linux game only; the game's own calls,
// their order and its pauses are untouched.
//
// The game's fills and blits on the screen are noted, and the expose, activation and resize events it drains and
// its full-screen toggles tell the presenter that the window may have lost its picture. A changed flip goes to the
// display at once; one again goes, then waits for the next refresh; an unchanged one does not, and waits until the
// game has an event to read (one that SDL or Xlib holds already, or one coming on the X connection) or the
// heartbeat is due: at rest the game sleeps. Where SDL tells of no X connection (on Wayland, say), an unchanged flip
// waits for the next refresh instead. Under SDL's dummy driver, which shows nothing, every flip reaches SDL as the
// game makes it.
#include "presenting.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <poll.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "ending.h"

extern "C" int __real_SDL_Flip(SDL_Surface* screen);
extern "C" int __real_SDL_WM_ToggleFullScreen(SDL_Surface* screen);
extern "C" int __real_SDL_FillRect(SDL_Surface* surface, SDL_Rect* rect, Uint32 colour);
extern "C" int __real_SDL_UpperBlit(SDL_Surface* from, SDL_Rect* from_rect, SDL_Surface* to, SDL_Rect* to_rect);
extern "C" int __real_SDL_PollEvent(SDL_Event* event);

presenter game_screen = [] {
    presenter p;
    present_start(&p);
    return p;
}();

namespace {

using clock = std::chrono::steady_clock;

double now() { return std::chrono::duration<double, std::milli>(clock::now().time_since_epoch()).count(); }

#ifdef SDL_VIDEO_DRIVER_X11
Display* x_display = nullptr;  // SDL's connection to the X server, where it tells of one
#endif

// Whether there is a display (not SDL's dummy driver), and whether its events can wake the game.
bool on_a_display()
{
    char driver[32] = "";
    SDL_VideoDriverName(driver, sizeof driver);
    if (std::strcmp(driver, "dummy") == 0)
        return false;
    game_screen.waits_for_events = 0;
#ifdef SDL_VIDEO_DRIVER_X11
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) == 1 && info.subsystem == SDL_SYSWM_X11 && info.info.x11.display)
        x_display = info.info.x11.display, game_screen.waits_for_events = 1;
#endif
    return true;
}

// Whether the game has an event to read already: in SDL's queue, or read from the connection by Xlib (as it may
// be while the frame was drawn and shown).
bool events_in_hand()
{
    SDL_Event event;
    if (SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) > 0)
        return true;
#ifdef SDL_VIDEO_DRIVER_X11
    return XEventsQueued(x_display, QueuedAfterReading) > 0;
#else
    return false;
#endif
}

timespec until(double due)
{
    const double left = std::max(due - now(), 0.0);
    return {static_cast<time_t>(left / 1000), static_cast<long>(std::fmod(left, 1000) * 1000000)};
}

// Until due, or until an event for the game comes first, and then on to the next refresh.
void wait_until(double due)
{
    timespec limit = until(due);
#ifdef SDL_VIDEO_DRIVER_X11
    if (game_screen.waits_for_events) {
        pollfd connection{ConnectionNumber(x_display), POLLIN, 0};
        if (!events_in_hand() && ppoll(&connection, 1, &limit, nullptr) <= 0)
            return;
        limit = until(present_resume(&game_screen, now()));
    }
#endif
    nanosleep(&limit, nullptr);
}

void draws(const SDL_Surface* surface, const SDL_Rect* rect)
{
    if (surface != SDL_GetVideoSurface())
        return;
    const present_area area{rect ? rect->x : 0, rect ? rect->y : 0, rect ? rect->w : 0, rect ? rect->h : 0};
    present_drawn(&game_screen, rect ? &area : nullptr);
}

}  // namespace

// The game's SDL_Flip, SDL_WM_ToggleFullScreen, SDL_FillRect, SDL_UpperBlit (its SDL_BlitSurface) and
// SDL_PollEvent, by the linker's --wrap.
extern "C" int __wrap_SDL_Flip(SDL_Surface* screen)
{
    static const bool displayed = on_a_display();
    if (!displayed || screen == nullptr)
        return __real_SDL_Flip(screen);
    const bool locked = SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) == 0;
    const present_verdict verdict = present_judge(&game_screen, screen->pixels, screen->w, screen->h, screen->pitch,
                                                  screen->format->BytesPerPixel, now());
    if (locked)
        SDL_UnlockSurface(screen);
    const int flipped = verdict == present_same ? 0 : __real_SDL_Flip(screen);
    if (verdict != present_changed)
        rest([verdict] { wait_until(present_wake(&game_screen, verdict, now())); });
    return flipped;
}

// The fills and blits leave in the rect they are given what they drew, clipped to the surface.
extern "C" int __wrap_SDL_FillRect(SDL_Surface* surface, SDL_Rect* rect, Uint32 colour)
{
    const int filled = __real_SDL_FillRect(surface, rect, colour);
    draws(surface, rect);
    return filled;
}

extern "C" int __wrap_SDL_UpperBlit(SDL_Surface* from, SDL_Rect* from_rect, SDL_Surface* to, SDL_Rect* to_rect)
{
    const int blitted = __real_SDL_UpperBlit(from, from_rect, to, to_rect);
    draws(to, to_rect);
    return blitted;
}

extern "C" int __wrap_SDL_WM_ToggleFullScreen(SDL_Surface* screen)
{
    const int toggled = __real_SDL_WM_ToggleFullScreen(screen);
    present_disturbed(&game_screen, now());
    return toggled;
}

// The classic library repaints its window from its own image, but sdl12-compat showed a window restored from an
// icon empty until it was next handed a frame.
extern "C" int __wrap_SDL_PollEvent(SDL_Event* event)
{
    end_if_signalled();
    const int polled = __real_SDL_PollEvent(event);
    if (polled && event && event->type == SDL_QUIT)
        end_if_display_gone();
    if (polled && event &&
        (event->type == SDL_VIDEOEXPOSE || event->type == SDL_ACTIVEEVENT || event->type == SDL_VIDEORESIZE))
        present_disturbed(&game_screen, now());
    return polled;
}
