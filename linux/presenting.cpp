// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// Which of the game's frames reach the display, whichever SDL 1.2 it runs on. Linked into the Linux game only; the
// game's own calls, their order and its pauses are untouched.
//
// The game flips in every frame, and its idle frames follow one another without pause, each drawing the figure and
// the score line again on the same pixels. Handing each to the display costs a good part of a core: sdl12-compat
// converts the whole screen into a texture and presents it through OpenGL, the classic library puts the whole image
// to the X server. So a flip reaches the display only when the screen's pixels differ from those it was last handed;
// otherwise it returns once the display's next refresh is due, on a timeline of refreshes, so that idle frames still
// come at the refresh rate and never faster. A changed frame goes at once. Only what the game has filled or blitted
// on the screen since the last flip can differ, so only that is compared: a tenth of the screen in an idle frame.
//
// Never a stale screen: the classic library repaints its window from its own image, but sdl12-compat showed a window
// restored from an icon empty until it was next handed a frame. So for a moment after the library reports the
// window exposed, shown, activated or resized, after the first flip and after each full-screen toggle, every flip is
// handed on, on the timeline; and one a second whatever happens. Under SDL's dummy driver, which shows nothing,
// every flip reaches SDL as the game makes it.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <iterator>
#include <thread>
#include <vector>

extern "C" int __real_SDL_Flip(SDL_Surface* screen);
extern "C" int __real_SDL_WM_ToggleFullScreen(SDL_Surface* screen);
extern "C" int __real_SDL_FillRect(SDL_Surface* surface, SDL_Rect* rect, Uint32 colour);
extern "C" int __real_SDL_UpperBlit(SDL_Surface* from, SDL_Rect* from_rect, SDL_Surface* to, SDL_Rect* to_rect);

namespace {

using nanoseconds = long long;
constexpr nanoseconds second = 1000000000;
constexpr nanoseconds refresh = second / 60;  // nearly every display's; a faster one gets idle frames at this rate
constexpr nanoseconds settling = second / 2;   // a window mapped, resized or uncovered may take this to be whole
constexpr nanoseconds at_least_every = second;

std::vector<Uint8> shown;                // the screen's pixels as the display was last handed them
const void* shown_from = nullptr;        // the screen's pixels' address then
nanoseconds shown_at = 0;
SDL_Rect drawn[16];                      // where the game has drawn on the screen since the last flip,
int drawn_rects = 0;
bool drawn_all = true;                   // or everywhere, if more than that
nanoseconds settled = 0;                 // till then every flip is handed on
std::atomic<bool> disturbed{false};      // the window has been exposed, shown, activated or resized

using clock = std::chrono::steady_clock;

nanoseconds now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(clock::now().time_since_epoch()).count();
}

// The next refresh after now, on a timeline that runs from the first idle frame: idle frames keep their rate
// however long each took.
void wait_for_the_next_refresh()
{
    static const nanoseconds origin = now();
    const nanoseconds due = origin + ((now() - origin) / refresh + 1) * refresh;
    std::this_thread::sleep_until(clock::time_point(std::chrono::nanoseconds(due)));
}

// Sees every event as the library queues it, and leaves it to the game.
int on_event(const SDL_Event* event)
{
    if (event->type == SDL_VIDEOEXPOSE || event->type == SDL_ACTIVEEVENT || event->type == SDL_VIDEORESIZE)
        disturbed = true;
    return 1;
}

bool on_a_display()
{
    char driver[32] = "";
    SDL_VideoDriverName(driver, sizeof driver);
    if (std::strcmp(driver, "dummy") == 0)
        return false;
    SDL_SetEventFilter(on_event);  // the game sets none
    return true;
}

// The game's fills and blits leave in the rect they are given what they drew, clipped to the surface.
void draws(const SDL_Surface* surface, const SDL_Rect* rect)
{
    if (surface != SDL_GetVideoSurface())
        return;
    if (rect == nullptr || drawn_rects == static_cast<int>(std::size(drawn)))
        drawn_all = true;
    else
        drawn[drawn_rects++] = *rect;
}

// Whether the screen's pixels in what has been drawn differ from those last shown.
bool changed(const SDL_Surface* screen, const Uint8* pixels, std::size_t bytes)
{
    if (drawn_all || shown.size() != bytes || shown_from != pixels)
        return shown.size() != bytes || std::memcmp(shown.data(), pixels, bytes) != 0;
    const int bpp = screen->format->BytesPerPixel;
    for (int i = 0; i < drawn_rects; ++i) {
        const SDL_Rect& r = drawn[i];
        const int left = std::max<int>(r.x, 0), right = std::min<int>(r.x + r.w, screen->w);
        for (int y = std::max<int>(r.y, 0); y < std::min<int>(r.y + r.h, screen->h) && left < right; ++y) {
            const std::size_t at = static_cast<std::size_t>(y) * screen->pitch + left * bpp;
            if (std::memcmp(shown.data() + at, pixels + at, static_cast<std::size_t>(right - left) * bpp) != 0)
                return true;
        }
    }
    return false;
}

enum class frame { changed, again, same };  // to the display at once, to it on the refreshes' timeline, or not

// What this flip is; if it goes to the display, its pixels are what the display shows from now on.
frame judged(SDL_Surface* screen)
{
    const nanoseconds t = now();
    if (shown.empty() || disturbed.exchange(false))
        settled = t + settling;
    const bool locked = SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) == 0;
    const auto* pixels = static_cast<const Uint8*>(screen->pixels);
    const std::size_t bytes = static_cast<std::size_t>(screen->pitch) * screen->h;
    const frame f = changed(screen, pixels, bytes)                   ? frame::changed
                    : t < settled || t - shown_at >= at_least_every ? frame::again
                                                                     : frame::same;
    if (f != frame::same)
        shown.assign(pixels, pixels + bytes), shown_from = pixels, shown_at = t;
    if (locked)
        SDL_UnlockSurface(screen);
    drawn_rects = 0, drawn_all = false;
    return f;
}

}  // namespace

// The game's SDL_Flip, SDL_WM_ToggleFullScreen, SDL_FillRect and SDL_UpperBlit (its SDL_BlitSurface), by the
// linker's --wrap.
extern "C" int __wrap_SDL_Flip(SDL_Surface* screen)
{
    static const bool displayed = on_a_display();
    const frame f = displayed && screen != nullptr ? judged(screen) : frame::changed;
    if (f == frame::changed)
        return __real_SDL_Flip(screen);
    const int flipped = f == frame::again ? __real_SDL_Flip(screen) : 0;
    wait_for_the_next_refresh();
    return flipped;
}

extern "C" int __wrap_SDL_WM_ToggleFullScreen(SDL_Surface* screen)
{
    const int toggled = __real_SDL_WM_ToggleFullScreen(screen);
    settled = now() + settling;
    return toggled;
}

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
