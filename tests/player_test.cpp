// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The real game as a player meets it, one table of cases on every front end: the Linux build on a real X display
// (tests/classic_sdl.sh runs it with the classic SDL), the Windows build's pellmor.exe there under Wine
// (PELLMOR_WINDOWS_BUILD: its folder), the web build in headless Chromium (PELLMOR_WEB_BUILD), the Linux build on
// a headless Wayland compositor where SDL 3 is underneath. Each game ends with
// status 0 and has printed the referee's trace, with its build's rand().
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <tuple>

#include "front_end.h"

namespace {

// A front end and what may differ on it.
struct front {
    const char* build;  // the variable that names its build's folder; none for the Linux build
    std::unique_ptr<front_end> (*start)();
    c_library library;
    double step_ms;           // a step shows within this of its key (a key typed by wtype on Wayland starts a process)
    bool starts_full_screen;  // a page may go full screen only after a key
    bool has_window;          // that a window manager can close
    bool walks_to_the_win;    // half a minute: where no headless run checks this rand()'s walk
    bool takes_faults;        // its display can be killed, the game signalled
    bool prints_at_once;      // its trace shows each line as the game prints it (a file's is buffered)
    bool holds_two_ways;      // a key may be held two ways at once, and lost without its release
    // The most times it may wake in two seconds at rest: on X twice from its heartbeat, and on the classic SDL, one
    // run in three, three more, not yet pinned down; Wine's own threads wake often; on Wayland, where SDL gives
    // nothing to wait for an event on, the game keeps the display's 60 refreshes a second.
    int rest_wakes;
    bool links_licences = false;  // a page: its Licences link leads to the licences of all it holds
    bool pad = false;             // played with a pad: its F is the pad's Start, its S the stick pushed down
    std::string (*missing)() = nullptr;  // why it cannot run here, if it cannot
};

const front fronts[] = {
    {nullptr, start_on_x, c_library::glibc, 100, true, true, false, true, false, false, 6},
    {"PELLMOR_WINDOWS_BUILD", start_under_wine, c_library::msvcrt, 100, true, true, false, false, false, false, 30},
    {"PELLMOR_WEB_BUILD", start_in_browser, c_library::musl, 200, false, false, true, false, true, false, 4, true},
    {"PELLMOR_WEB_BUILD", start_on_phone, c_library::musl, 200, false, false, true, false, true, true, 4, true},
    {"PELLMOR_WEB_BUILD", start_on_phone_offline, c_library::musl, 200, false, false, false, false, true, true, 4, true},
    {"PELLMOR_WEB_BUILD", start_with_pad, c_library::musl, 200, false, false, false, false, true, true, 4, true, true},
    {nullptr, start_on_wayland, c_library::glibc, 200, true, true, false, true, false, false, 150, false, false, wayland_missing},
};

// F held for hold_ms: the times the mode changed while it was held and for a second after.
int toggles_of_one_press(front_end& f, int hold_ms)
{
    bool mode = f.full_screen(), down = true;
    int changes = 0;
    f.key("f", true);
    for (const steady::time_point pressed = steady::now(); ms_since(pressed) < hold_ms + 1000;) {
        if (down && ms_since(pressed) > hold_ms) f.key("f", down = false);
        if (f.full_screen() != mode) mode = !mode, ++changes;
    }
    return changes;
}

// Waits until the game has printed what the referee prints for script, and so into the monsters' pause after its
// last step; for 100 ms at least, in case a step prints nothing.
void printed(front_end& f, const std::string& script, c_library library)
{
    referee expected(library);
    expected.play_script(script);
    for (const steady::time_point at = steady::now();
         (f.trace().size() < expected.out.size() || ms_since(at) < 100) && ms_since(at) < 5000;)
        sleep_ms(5);
}

// Holds key until then, where key takes the script's last steps.
void held_until(front_end& f, const std::string& key, const std::string& script, c_library library)
{
    f.key(key, true);
    printed(f, script, library);
    f.key(key, false);
}

struct player_case {
    const char* what;
    const char* steps;  // what it plays, as a key script for the referee ("win": the planner's walk)
    void (*play)(front_end&, const front&);
    bool front::*needs = nullptr;  // what the front end must have
    int status = 0;                // how the game ends
};

// The display killed as in a crash (signal 0), or the signal, in idle play, in the monsters' pause after a step
// (steps 1), or in a bomb picture's wait (steps 2): the game and all it started are gone within a second.
template <int signal, int steps>
void faulted(front_end& f, const front&)
{
    if (steps > 0) {
        EXPECT_GE(step_latency(f, "right", 1), 0);
        sleep_ms(100);  // the pause begins as the step shows
    }
    if (steps > 1) {
        sleep_ms(400);
        f.key("right", true);
        EXPECT_EQ(differs(f, picture_screen("tod.bmp"), whole_screen, 1000), "") << "tod.bmp";
        f.key("right", false);
    }
    ASSERT_TRUE(f.fault(signal));
    const steady::time_point at = steady::now();
    EXPECT_GE(f.ended(1000), 0) << "still there a second on";
    std::printf("gone %.0f ms after the fault\n", ms_since(at));
}

const player_case player_cases[] = {
    {"the first frame shows the level, in its place; Q ends the game", "", [](front_end& f, const front& fr) {
         EXPECT_EQ(f.full_screen(), fr.starts_full_screen);
         EXPECT_EQ(f.misplaced(), "");
     }},
    {"a step shows at once, and the coin's score line after the monsters' pause", "right",
     [](front_end& f, const front& fr) {
         const double latency = step_latency(f, "right", 1);
         std::printf("a step showed %.1f ms after its key\n", latency);
         EXPECT_GE(latency, 0) << "the figure did not show on (1, 0)";
         EXPECT_LT(latency, fr.step_ms);
         EXPECT_EQ(differs(f, score_band_screen("PUNKTE: 1 VON 17"), score_band, 2000), "") << "the score line";
         EXPECT_EQ(differs(f, [](int, int) { return background; }, {50, 50, 50, 50}, 0), "") << "the cell left";
     }},
    {"a bomb: its picture all through the wait, then a new round", "right,right", [](front_end& f, const front&) {
         EXPECT_GE(step_latency(f, "right", 1), 0);
         sleep_ms(400);  // the monsters' pause
         f.key("right", true);
         const steady::time_point stepped = steady::now();
         EXPECT_EQ(differs(f, picture_screen("tod.bmp"), whole_screen, 1000), "") << "tod.bmp at once";
         f.key("right", false);
         sleep_ms(static_cast<int>(2500 - ms_since(stepped)));
         EXPECT_EQ(differs(f, picture_screen("tod.bmp"), whole_screen, 0), "") << "tod.bmp 2.5 s on";
         EXPECT_EQ(differs(f, round_start_screen(), whole_screen, 7000), "") << "the new round";
         EXPECT_GT(ms_since(stepped), 3900) << "the new round came before the wait was over";
     }},
    {"each F press changes the mode once, held past the keyboard's repeat or not", "", [](front_end& f, const front&) {
         for (int hold_ms : {800, 100}) {
             // As a player, once the window has settled: on a busy machine a press while the window manager frames
             // it anew may go astray.
             sleep_ms(1000);
             const bool before = f.full_screen();
             const int toggles = toggles_of_one_press(f, hold_ms);
             std::printf("F held %d ms: %d change%s of the mode\n", hold_ms, toggles, toggles == 1 ? "" : "s");
             EXPECT_EQ(toggles, 1);
             EXPECT_NE(f.full_screen(), before);
             EXPECT_EQ(differs(f, round_start_screen(), whole_screen, 100), "") << "the board in the new mode";
         }
     }},
    {"idle, it hands the display a frame a second at most, and the board stays", "", [](front_end& f, const front&) {
         sleep_ms(1000);  // the new window settled
         const int before = f.presents();
         sleep_ms(2000);
         std::printf("%d frames shown in two idle seconds\n", f.presents() - before);
         EXPECT_LE(f.presents() - before, 3);
         EXPECT_EQ(differs(f, round_start_screen(), whole_screen, 0), "");
     }},
    // Its heartbeat at least; a wait that never ends would not wake it at all.
    {"at rest, it wakes at most a few times in two seconds", "", [](front_end& f, const front& fr) {
         sleep_ms(1000);  // settled
         const long before = f.wakes();
         sleep_ms(2000);
         std::printf("%ld wake-ups in two seconds at rest\n", f.wakes() - before);
         EXPECT_GE(f.wakes() - before, 1);
         EXPECT_LE(f.wakes() - before, fr.rest_wakes);
     }},
    // A look at the whole screen takes a good part of 100 ms: one look, a few refreshes after.
    {"covered and shown, or iconified and restored, it shows the board again at once", "", [](front_end& f, const front&) {
         for (int way = 0; f.hide_and_show(way); ++way)
             EXPECT_EQ((sleep_ms(200), differs(f, round_start_screen(), whole_screen, 0)), "") << "way " << way;
     }},
    // Over the game's top border, never on the board or the score line; offline, the worker has every file.
    {"the Licences link leads to the licences of all the page holds, offline too", "", [](front_end& f, const front&) {
         EXPECT_EQ(f.in_page("(() => { const a = document.getElementById('licences').getBoundingClientRect(),"
                             " c = document.getElementById('canvas').getBoundingClientRect(), s = c.height / 480;"
                             " return a.width > 0 && (a.bottom <= c.top + 50 * s || a.left >= c.right || a.top >= c.bottom"
                             "  || a.right <= c.left); })()"), "true") << "the link is on the game";
         EXPECT_EQ(f.in_page("(async () => { const page = await (await fetch(document.getElementById('licences').href)).text(),"
                             " says = {'LICENSE.txt': 'MIT License', 'NOTICES.txt': 'GNU Lesser General Public License',"
                             "  'delusion.ttf-copyright.txt': 'SIL Open Font License'}, shown = [];"
                             " for (const a of new DOMParser().parseFromString(page, 'text/html').querySelectorAll('a')) {"
                             "  const href = a.getAttribute('href'), text = await (await fetch(href)).text();"
                             "  shown.push(href + (text.includes(says[href]) ? '' : ' without ' + says[href])); }"
                             " return shown.join(', '); })()"),
                   "LICENSE.txt, NOTICES.txt, delusion.ttf-copyright.txt");
     }, &front::links_licences},
    {"a window close, as the window manager sends it", "", [](front_end& f, const front&) {
         EXPECT_TRUE(f.close_window());
         EXPECT_EQ(f.ended(5000), 0);
     }, &front::has_window},
    {"the display server killed in play", "", faulted<0, 0>, &front::takes_faults, 1},
    {"the display server killed in the monsters' pause", "right", faulted<0, 1>, &front::takes_faults, 1},
    {"the display server killed in a bomb picture's wait", "right", faulted<0, 2>, &front::takes_faults, 1},
    {"SIGTERM in play", "", faulted<SIGTERM, 0>, &front::takes_faults, killed_by(SIGTERM)},
    {"SIGTERM in the monsters' pause", "right", faulted<SIGTERM, 1>, &front::takes_faults, killed_by(SIGTERM)},
    {"SIGTERM in a bomb picture's wait", "right", faulted<SIGTERM, 2>, &front::takes_faults, killed_by(SIGTERM)},
    // Right held two ways (two fingers; a pad and the keyboard): the second lets go in the monsters' pause after the
    // first step, the first holds the key into the next, then loses it in the pause after that, and no step follows.
    {"a key held two ways stays held till both let go, and a cancelled touch or an unplugged pad lets go",
     "right,down,right,right,down",
     [](front_end& f, const front& fr) {
         held_until(f, "right", "right", fr.library);
         held_until(f, "down", "right,down", fr.library);
         f.key("right", true);
         ASSERT_TRUE(f.second_hand("right", true));
         printed(f, "right,down,right", fr.library);
         f.second_hand("right", false);
         printed(f, "right,down,right,right", fr.library);
         f.lose_hold("right");
         sleep_ms(700);  // two steps, were the key still held
         held_until(f, "down", "right,down,right,right,down", fr.library);  // the pad plugged in again
     }, &front::holds_two_ways},
    // With a pad, the arrows are its d-pad, W A S D its stick. Up or W taken for left would step on a bomb, or a coin.
    {"S held over three monster pauses takes three steps, then Up and W one each",
     "right,down,right,right,down,down,down,up,up",
     [](front_end& f, const front& fr) {
         std::string script;
         for (const char* step : {"right", "down", "right", "right"})
             held_until(f, step, script += (script.empty() ? "" : ",") + std::string(step), fr.library);
         held_until(f, "s", script += ",down,down,down", fr.library);
         held_until(f, "up", script += ",up", fr.library);
         held_until(f, "w", script + ",up", fr.library);
     }, &front::prints_at_once},
    // A stick drifting short of half way walks nowhere. Start is F, which a browser takes only on a key or a tap.
    {"a drifting stick walks nowhere, and Start asks for full screen, which the page says it was refused", "",
     [](front_end& f, const front&) {
         f.in_page("testPad(0, [], [0.45, -0.45])");
         sleep_ms(700);  // two steps, were it read as held
         f.in_page("testPad(0, [], [0, 0])");
         f.key("f", true), sleep_ms(100), f.key("f", false);
         EXPECT_NE(f.in_page("document.getElementById('status').textContent").find("would not go full screen"),
                   std::string::npos);
     }, &front::pad},
    // Every other step with the letter key that steps the same way.
    {"the referee's winning walk, every other step on W A S D, then the win picture, and the game ends", "win",
     [](front_end& f, const front& fr) {
         const std::vector<std::string> walk = split(planned("win", fr.library), ',');
         std::string script;
         for (size_t i = 0; i < walk.size(); ++i)
             held_until(f, i % 2 ? twin(*find_key(walk[i])).name : walk[i], script += (i ? "," : "") + walk[i], fr.library);
         EXPECT_EQ(differs(f, picture_screen("win.bmp"), whole_screen, 1000), "") << "win.bmp";
         EXPECT_EQ(f.ended(9000), 0);
     }, &front::walks_to_the_win},
};

struct Player : ::testing::TestWithParam<std::tuple<front, player_case>> {};

TEST_P(Player, Plays)
{
    const auto& [fr, c] = GetParam();
    if (fr.build && !std::getenv(fr.build)) GTEST_SKIP() << "set " << fr.build << " to its build's folder";
    if (c.needs && !(fr.*c.needs)) GTEST_SKIP() << "not on this front end";
    if (const std::string why = fr.missing ? fr.missing() : ""; !why.empty()) GTEST_SKIP() << why;
    const std::unique_ptr<front_end> f = fr.start();
    // The first game on a fresh system may take seconds to set up its drawing.
    if (const std::string first = differs(*f, round_start_screen(), whole_screen, 20000); !first.empty())
        FAIL() << "no first frame: " << first << "; " << f->notes();
    std::printf("the first frame showed %.0f ms after the game's start\n", ms_since(f->started));
    c.play(*f, fr);
    if (f->ended(0) < 0) {
        // Held until the game ends: the game reads the keys' state once a frame, and a busy machine may run no
        // frame during a short tap.
        f->key("q", true);
        f->ended(5000);
        f->key("q", false);
    }
    EXPECT_EQ(f->ended(0), c.status) << f->notes();
    referee expected(fr.library);
    expected.play_script(planned(c.steps, fr.library));
    EXPECT_EQ(f->trace(), expected.out);
}

std::string name_of(const ::testing::TestParamInfo<Player::ParamType>& p) { return case_name(std::get<1>(p.param).what); }
auto on(const front& f) { return ::testing::Combine(::testing::Values(f), ::testing::ValuesIn(player_cases)); }
INSTANTIATE_TEST_SUITE_P(X, Player, on(fronts[0]), name_of);
INSTANTIATE_TEST_SUITE_P(Wine, Player, on(fronts[1]), name_of);
INSTANTIATE_TEST_SUITE_P(Browser, Player, on(fronts[2]), name_of);
INSTANTIATE_TEST_SUITE_P(Phone, Player, on(fronts[3]), name_of);
INSTANTIATE_TEST_SUITE_P(PhoneOffline, Player, on(fronts[4]), name_of);
INSTANTIATE_TEST_SUITE_P(Pad, Player, on(fronts[5]), name_of);
INSTANTIATE_TEST_SUITE_P(Wayland, Player, on(fronts[6]), name_of);

}  // namespace
