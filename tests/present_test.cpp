// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The presenter that every build shares (platform/present.c) on a small screen of the test's own: what it compares,
// what each flip is and how long it waits. Then, in this process under SDL's dummy driver, what notes the game's
// drawing for it: on Linux the layer below the game (linux/presenting.cpp, linked as the game links it), which also
// tells it what may take the window's picture; in the Windows build, SDL's own core, as patched for Windows and the
// page (platform/sdl-present.patch).
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "present.h"

#ifdef _WIN32
extern "C" presenter SDL_presenter;
presenter& game_presenter() { return SDL_presenter; }
#else
#include "presenting.h"
presenter& game_presenter() { return game_screen; }
#endif

namespace {

std::string listed(const present_area* areas, int count)
{
    std::string list;
    for (int i = 0; i < count; ++i)
        list += (i ? "; " : "") + std::to_string(areas[i].x) + "," + std::to_string(areas[i].y) + " " +
                std::to_string(areas[i].w) + "x" + std::to_string(areas[i].h);
    return list;
}

// 8x4 pixels of 2 bytes in rows of 20: the game's screen's layout, smaller. Its first flip is at 0 ms.
struct small_screen {
    static constexpr int width = 8, height = 4, pitch = 20, bytes = 2;
    std::vector<unsigned char> pixels = std::vector<unsigned char>(pitch * height);
    presenter p;
    small_screen() { present_start(&p), judge(0); }
    ~small_screen() { present_stop(&p); }
    present_verdict judge(double now) { return present_judge(&p, pixels.data(), width, height, pitch, bytes, now); }
    void change(int x, int y) { ++pixels[y * pitch + x * bytes + 1]; }
    std::string given() { return listed(p.given, p.given_count); }
};

struct drawn_case {
    const char* what;
    std::vector<present_area> drawn;  // none: everywhere
    int x, y;                         // the pixel changed
    const char* given;                // what the display is given; nothing when the flip is the same
};

const drawn_case drawn_cases[] = {
    {"its first column and row", {{2, 1, 3, 2}}, 2, 1, "2,1 3x2"},
    {"its last column and row", {{2, 1, 3, 2}}, 4, 2, "2,1 3x2"},
    {"next to it: where nothing was drawn, nothing changed", {{2, 1, 3, 2}}, 5, 2, ""},
    {"partly off the screen", {{-2, -1, 4, 3}}, 0, 0, "0,0 2x2"},
    {"the second of two", {{0, 0, 1, 1}, {6, 2, 2, 2}}, 7, 3, "6,2 2x2"},
    {"everywhere", {}, 7, 3, "0,0 8x4"},
    {"more areas than are kept: everywhere", std::vector<present_area>(17, {0, 0, 1, 1}), 7, 3, "0,0 8x4"},
};

// Past the first flip's settling, a change in what was drawn goes at once, there alone; drawn again the same, it
// does not go.
TEST(Presenter, ComparesAllThatWasDrawnAndNothingElse)
{
    for (const drawn_case& c : drawn_cases) {
        SCOPED_TRACE(c.what);
        small_screen s;
        ASSERT_EQ(s.judge(1000), present_same);
        s.change(c.x, c.y);
        for (const present_area& a : c.drawn) present_drawn(&s.p, &a);
        if (c.drawn.empty()) present_drawn(&s.p, nullptr);
        EXPECT_EQ(s.judge(1000), *c.given ? present_changed : present_same);
        EXPECT_EQ(s.given(), c.given);
        for (const present_area& a : c.drawn) present_drawn(&s.p, &a);
        EXPECT_EQ(s.judge(1000), present_same);
    }
}

// The first flip, a disturbance (an expose, an activation, a resize, a toggle; the first flip after it at least),
// a new screen, and a long rest without a frame: each puts the whole screen on the display again.
TEST(Presenter, TheWholeGoesAgainWhereTheDisplayMayHaveLostIt)
{
    small_screen s;
    EXPECT_EQ(s.judge(499), present_again) << "settling after the first flip";
    EXPECT_EQ(s.given(), "0,0 8x4");
    EXPECT_EQ(s.judge(501), present_same);
    present_disturbed(&s.p, 1000);
    EXPECT_EQ(s.judge(1499), present_again) << "settling after a disturbance";
    EXPECT_EQ(s.judge(1501), present_same);
    EXPECT_EQ(s.judge(1499 + s.p.repaint), present_again) << "a repaint";
    EXPECT_EQ(s.judge(1500 + s.p.repaint), present_same);
    s.p.settling = 0;
    present_disturbed(&s.p, 35000);
    EXPECT_EQ(s.judge(35001), present_again) << "a disturbance without settling";
    EXPECT_EQ(s.judge(35002), present_same);
    std::vector<unsigned char> moved(s.pixels);
    EXPECT_EQ(present_judge(&s.p, moved.data(), 8, 4, 20, 2, 40000), present_changed) << "a new screen";
    EXPECT_EQ(s.given(), "0,0 8x4");
}

// A change does not wait; a flip again waits for the next refresh on the timeline that began with the first flip,
// not one from its own end, as does a wait that an event cut short; an unchanged flip waits for an event, but not
// past the heartbeat or a repaint that is due, nor at once; where the platform cannot wait for events, for the next
// refresh.
TEST(Presenter, EachFlipWaitsAsLongAsItShould)
{
    small_screen s;
    const double refresh = s.p.refresh;
    EXPECT_DOUBLE_EQ(present_wake(&s.p, present_changed, 105), 105);
    EXPECT_DOUBLE_EQ(present_wake(&s.p, present_again, 105), 7 * refresh);
    EXPECT_DOUBLE_EQ(present_resume(&s.p, 105), 7 * refresh) << "a wait cut short by an event";
    s.judge(2005);
    EXPECT_DOUBLE_EQ(present_wake(&s.p, present_same, 2005), 2005 + s.p.rest);
    s.p.repaint = 1500, s.p.shown_at = 1000;
    EXPECT_DOUBLE_EQ(present_wake(&s.p, present_same, 2005), 2500);
    s.p.shown_at = 0;
    EXPECT_DOUBLE_EQ(present_wake(&s.p, present_same, 2005), 121 * refresh) << "a repaint overdue";
    s.p.waits_for_events = 0;
    EXPECT_DOUBLE_EQ(present_wake(&s.p, present_same, 2005), 121 * refresh);
}

// The game's fills and blits on the screen are noted, clipped as SDL clips them; not those on other surfaces.
TEST(Presenter, TheGamesDrawingIsNoted)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Surface* screen = SDL_SetVideoMode(640, 480, 16, SDL_HWSURFACE | SDL_DOUBLEBUF | SDL_FULLSCREEN);
    SDL_Surface* sprite = SDL_CreateRGBSurface(SDL_SWSURFACE, 50, 50, 16, 0, 0, 0, 0);
    ASSERT_TRUE(screen && sprite);
    presenter& p = game_presenter();
    p.drawn_count = p.drawn_everywhere = 0;
    SDL_Rect band{10, 412, 600, 400}, corner{600, 450, 0, 0};
    SDL_FillRect(screen, &band, 0);
    SDL_BlitSurface(sprite, nullptr, screen, &corner);
    SDL_FillRect(sprite, nullptr, 0);
    EXPECT_EQ(listed(p.drawn, p.drawn_count), "10,412 600x68; 600,450 40x30");
    SDL_FillRect(screen, nullptr, 0);
    EXPECT_TRUE(p.drawn_everywhere || listed(&p.drawn[p.drawn_count - 1], 1) == "0,0 640x480") << "the whole screen";
#ifndef _WIN32
    // What may take the window's picture: its expose, activation and resize events as the game drains them, and
    // each full-screen toggle.
    for (Uint8 type : {SDL_VIDEOEXPOSE, SDL_ACTIVEEVENT, SDL_VIDEORESIZE}) {
        SDL_Event event{};
        event.type = type, p.settled_until = 0;
        SDL_PushEvent(&event);
        while (SDL_PollEvent(&event)) {}
        EXPECT_GT(p.settled_until, 0) << "event " << int(type);
    }
    p.settled_until = 0;
    SDL_WM_ToggleFullScreen(screen);
    EXPECT_GT(p.settled_until, 0) << "a toggle";
#endif
    SDL_FreeSurface(sprite);
    SDL_Quit();
}

}  // namespace
