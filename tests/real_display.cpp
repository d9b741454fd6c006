// The real pellmor on a real X display, as a player meets it: Xvfb with a
// window manager, keys pressed through XTEST, the screen read back pixel by
// pixel. The game runs with the SDL it was built or is loaded with
// (tests/classic_sdl.sh points the loader at the classic library), or, with
// PELLMOR_WINDOWS_BUILD set to a Windows build's folder, it is that build's
// pellmor.exe from its zip, under Wine in the build's Wine prefix.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "bad_files.h"
#include "harness.h"
#include "referee.h"

namespace {

using steady = std::chrono::steady_clock;

double ms_since(steady::time_point start)
{
    return std::chrono::duration<double, std::milli>(steady::now() - start).count();
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

const char* const windows_build = std::getenv("PELLMOR_WINDOWS_BUILD");

// A colour that no game pixel is: where it shows, the root window does.
const SDL_Color root_colour{0, 128, 128, 0};

// Xvfb, its window manager and our connection, for the whole run.
struct x_display {
    pid_t server = -1, manager = -1;
    Display* display = nullptr;
    Window root = 0;
    int width = 0, height = 0;
    std::string name;
} x;

pid_t spawn(const char* program, const std::vector<const char*>& args, const std::string& dir = ".",
            const std::string& out = "/dev/null", int keep_fd = -1)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // nothing outlives a runner that died
    const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out_fd, STDOUT_FILENO);
    dup2(open(out == "/dev/null" ? "/dev/null" : (out + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
         STDERR_FILENO);
    for (int fd = 3; fd < 256; ++fd)
        if (fd != keep_fd)
            close(fd);
    if (chdir(dir.c_str()) != 0)
        _exit(98);
    setenv("DISPLAY", x.name.c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const char* a : args)
        argv.push_back(const_cast<char*>(a));
    argv.push_back(nullptr);
    execvp(program, argv.data());
    _exit(97);
}

// Waits for a child for up to ms; its exit status, 128 + its signal, or -1
// when it is still running.
int wait_for(pid_t pid, int ms)
{
    const steady::time_point start = steady::now();
    for (;;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (ms_since(start) > ms)
            return -1;
        sleep_ms(5);
    }
}

Window parent_of(Window w)
{
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(x.display, w, &root, &parent, &children, &count);
    XFree(children);
    return parent;
}

void start_display()
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    const std::string fd = std::to_string(fds[1]);
    x.server = spawn("Xvfb", {"-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, ".",
                     "/dev/null", fds[1]);
    close(fds[1]);
    // The server writes its display's number and a newline when it is ready,
    // and stops if it cannot write the newline.
    std::string number;
    for (char c; number.find('\n') == std::string::npos && read(fds[0], &c, 1) == 1;)
        number += c;
    close(fds[0]);
    if (number.empty())
        throw std::runtime_error("Xvfb did not start");
    x.name = ":" + std::to_string(std::atoi(number.c_str()));
    x.display = XOpenDisplay(x.name.c_str());
    if (!x.display)
        throw std::runtime_error("cannot open display " + x.name);
    x.root = DefaultRootWindow(x.display);
    x.width = DisplayWidth(x.display, 0);
    x.height = DisplayHeight(x.display, 0);

    // The window manager is ready when it frames a window of ours: a game
    // started before it is may never be shown.
    x.manager = spawn("openbox", {"--sm-disable"});
    const Window probe = XCreateSimpleWindow(x.display, x.root, 0, 0, 10, 10, 0, 0, 0);
    XMapWindow(x.display, probe);
    for (int tries = 0;; ++tries) {
        if (parent_of(probe) != x.root)
            break;
        if (tries > 1000)
            throw std::runtime_error("the window manager did not start");
        sleep_ms(10);
    }
    XDestroyWindow(x.display, probe);
    XSetWindowBackground(x.display, x.root, root_colour.r << 16 | root_colour.g << 8 | root_colour.b);
    XClearWindow(x.display, x.root);
    XSync(x.display, False);
}

void stop_display()
{
    if (x.display)
        XCloseDisplay(x.display);
    for (pid_t pid : {x.manager, x.server}) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
}

struct image_deleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using image_ptr = std::unique_ptr<XImage, image_deleter>;

// The screen, or a part of it, as it is now.
image_ptr grab(int left = 0, int top = 0, int w = 0, int h = 0)
{
    return image_ptr(XGetImage(x.display, x.root, left, top, w ? w : x.width, h ? h : x.height, AllPlanes, ZPixmap));
}

SDL_Color colour_at(XImage* image, int px, int py)
{
    const unsigned long p = XGetPixel(image, px, py);
    return SDL_Color{static_cast<Uint8>(p >> 16), static_cast<Uint8>(p >> 8), static_cast<Uint8>(p), 0};
}

// Where the game's 640x480 shows on the screen: 1:1 in a window or centred
// in a full screen, or scaled up to fill the screen.
struct placement {
    int left = 0, top = 0;
    double scale = 0;
    explicit operator bool() const { return scale > 0; }
};

// The game's border is the board's brown all round, so the brown's extent
// is the game's.
placement find_game(XImage* image)
{
    int left = x.width, top = x.height, right = -1, bottom = -1;
    for (int py = 0; py < x.height; ++py) {
        for (int px = 0; px < x.width; ++px) {
            if (!close_to(colour_at(image, px, py), background))
                continue;
            left = std::min(left, px), right = std::max(right, px);
            top = std::min(top, py), bottom = std::max(bottom, py);
        }
    }
    const double scale = (right - left + 1) / 640.0;
    if (right < 0 || std::abs((bottom - top + 1) / 480.0 - scale) > 0.01)
        return {};
    return {left, top, scale};
}

// The game's pixels as the screen shows them. A scaled pixel is read at its
// centre.
screen_model on_screen(XImage* image, const placement& at, int grab_left = 0, int grab_top = 0)
{
    return [=](int gx, int gy) {
        return colour_at(image, at.left + static_cast<int>((gx + 0.5) * at.scale) - grab_left,
                         at.top + static_cast<int>((gy + 0.5) * at.scale) - grab_top);
    };
}

// Windowed: the root shows in a corner of the screen.
bool full_screen()
{
    for (int px : {0, x.width - 1})
        for (int py : {0, x.height - 1})
            if (close_to(colour_at(grab(px, py, 1, 1).get(), 0, 0), root_colour))
                return false;
    return true;
}

// The game under test, started in a data folder of its own.
struct game {
    temp_dir dir;
    pid_t pid = -1;
    placement at;
    int status = -1;

    game()
    {
        copy_data(dir.path);
        pid = windows_build
                  ? spawn("wine", {(std::string(windows_build) + "/pellmor-windows/pellmor.exe").c_str()}, dir.path,
                          dir.path + "/out")
                  : spawn(PELLMOR_BINARY, {}, dir.path, dir.path + "/out");
    }
    ~game()
    {
        if (status < 0 && pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    // What it printed, without the CRs of Windows' line ends.
    std::string out() const
    {
        std::string text = read_bytes(dir.path + "/out");
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    }

    void key(KeySym symbol, bool down)
    {
        XTestFakeKeyEvent(x.display, XKeysymToKeycode(x.display, symbol), down, CurrentTime);
        XFlush(x.display);
    }
    void press(KeySym symbol, int hold_ms)
    {
        key(symbol, true);
        sleep_ms(hold_ms);
        key(symbol, false);
    }

    // Waits up to ms for the screen to show want in area; the mismatches of
    // the last look, or 0 at once when it does. With locate, the game is
    // looked for anew at each look (a window may still be finding its place
    // or its mode); else it is where it was last found.
    int wait_for_screen(const screen_model& want, SDL_Rect area, int ms, std::string& first, bool locate)
    {
        const steady::time_point start = steady::now();
        for (;;) {
            const image_ptr image = grab();
            if (locate)
                at = find_game(image.get());
            first = "the game is not on the screen";
            // The Windows build's FreeType may be another version than the
            // one the expected text is drawn with (on Debian 13 it is 12's),
            // and set a glyph's edge pixels otherwise.
            const bool blends = at.scale != 1 || windows_build;
            const int wrong = at ? mismatches(want, on_screen(image.get(), at), area, first, blends) : -1;
            if (wrong == 0 || ms_since(start) > ms)
                return wrong;
            sleep_ms(20);
        }
    }
    void expect_screen(const screen_model& want, SDL_Rect area, int ms, const char* what, bool locate = false)
    {
        std::string first;
        EXPECT_EQ(wait_for_screen(want, area, ms, first, locate), 0) << what << ": " << first;
    }

    // The top window that the game has titled.
    Window titled_window(const std::string& title, Window under = 0)
    {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(x.display, under ? under : x.root, &root, &parent, &children, &count);
        Window found = 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (XFetchName(x.display, children[i], &name) && name && title == name)
                found = children[i];
            XFree(name);
            if (!found)
                found = titled_window(title, children[i]);
        }
        XFree(children);
        return found;
    }

    // Keys go where the focus is: to the game only once its window, or one
    // inside it, has it.
    bool has_focus()
    {
        Window w;
        int revert;
        XGetInputFocus(x.display, &w, &revert);
        const Window window = titled_window("Pellmor");
        while (window && w > PointerRoot && w != x.root && w != window)
            w = parent_of(w);
        return window && w == window;
    }
};

// The milliseconds from a key's press until the figure shows on cell (col, 0),
// as that cell of the screen is read again and again; -1 if it does not
// within a second. Where the figure is transparent, anything may show.
double step_latency(game& g, KeySym symbol, int col)
{
    const surface_ptr figure(SDL_LoadBMP(PELLMOR_DATA_DIR "/typ.bmp"));
    const SDL_Color see_through{1, 2, 3, 0};
    const screen_model want = [&](int gx, int gy) {
        return sprite_pixel(figure.get(), gx - (col + 1) * 50, gy - 50, see_through);
    };
    const SDL_Rect cell{static_cast<Sint16>((col + 1) * 50), 50, 50, 50};
    const int left = g.at.left + static_cast<int>(cell.x * g.at.scale), top = g.at.top + static_cast<int>(cell.y * g.at.scale);
    const int size = static_cast<int>(std::ceil(50 * g.at.scale)) + 1;

    const steady::time_point pressed = steady::now();
    g.key(symbol, true);
    double latency = -1;
    while (latency < 0 && ms_since(pressed) < 1000) {
        const image_ptr image = grab(left, top, size, size);
        const screen_model shown = on_screen(image.get(), g.at, left, top);
        const screen_model figure_shown = [&](int gx, int gy) {
            const SDL_Color w = want(gx, gy);
            return w.r == see_through.r && w.g == see_through.g && w.b == see_through.b ? w : shown(gx, gy);
        };
        std::string first;
        if (mismatches(want, figure_shown, cell, first, g.at.scale != 1) == 0)
            latency = ms_since(pressed);
    }
    g.key(symbol, false);
    return latency;
}

// F held for hold_ms: the number of times the mode changed while it was
// held and for a second after.
int toggles_of_one_press(game& g, int hold_ms)
{
    bool mode = full_screen();
    int changes = 0;
    const steady::time_point pressed = steady::now();
    g.key(XK_f, true);
    bool down = true;
    while (ms_since(pressed) < hold_ms + 1000) {
        if (down && ms_since(pressed) > hold_ms) {
            g.key(XK_f, false);
            down = false;
        }
        if (full_screen() != mode)
            mode = !mode, ++changes;
    }
    return changes;
}

struct display_case {
    const char* what;
    const char* steps;  // what it plays, as a key script for the referee
    std::function<void(game&)> play;
};

const display_case display_cases[] = {
    {"the first frame shows the level, full-screen; Q ends the game", "", [](game&) {
         EXPECT_TRUE(full_screen());
     }},
    {"a step shows at once, and the coin's score line after the monsters' pause", "right", [](game& g) {
         const double latency = step_latency(g, XK_Right, 1);
         std::printf("a step showed %.1f ms after its key (scale %.2f)\n", latency, g.at.scale);
         EXPECT_GE(latency, 0) << "the figure did not show on (1, 0)";
         EXPECT_LT(latency, 100);
         g.expect_screen(score_band_screen("PUNKTE: 1 VON 17"), score_band, 2000, "the score line");
         g.expect_screen([](int, int) { return background; }, {50, 50, 50, 50}, 0, "the cell left");
     }},
    {"a bomb: its picture all through the wait, then a new round", "right,right", [](game& g) {
         EXPECT_GE(step_latency(g, XK_Right, 1), 0);
         sleep_ms(400);  // the monsters' pause
         g.press(XK_Right, 50);
         const steady::time_point stepped = steady::now();
         g.expect_screen(picture_screen("tod.bmp"), whole_screen, 1000, "tod.bmp at once");
         sleep_ms(2500);
         g.expect_screen(picture_screen("tod.bmp"), whole_screen, 0, "tod.bmp 2.5 s on");
         g.expect_screen(round_start_screen(), whole_screen, 7000, "the new round");
         EXPECT_GT(ms_since(stepped), 3900) << "the new round came before the wait was over";
     }},
    {"each F press changes the mode once, held past the keyboard's repeat or not", "", [](game& g) {
         for (auto [hold_ms, full] : {std::pair{800, false}, std::pair{100, true}}) {
             // As a player, once the window has settled: on a busy machine a
             // press while the window manager frames it anew may go astray.
             sleep_ms(1000);
             const int toggles = toggles_of_one_press(g, hold_ms);
             std::printf("F held %d ms: %d change%s of the mode\n", hold_ms, toggles, toggles == 1 ? "" : "s");
             EXPECT_EQ(toggles, 1);
             EXPECT_EQ(full_screen(), full);
             g.expect_screen(round_start_screen(), whole_screen, 3000, "the board in the new mode", true);
         }
     }},
    {"a window close, as the window manager sends it", "", [](game& g) {
         const Window window = g.titled_window("Pellmor");
         ASSERT_NE(window, 0u) << "no window titled Pellmor";
         XEvent close{};
         close.xclient.type = ClientMessage;
         close.xclient.window = window;
         close.xclient.message_type = XInternAtom(x.display, "WM_PROTOCOLS", False);
         close.xclient.format = 32;
         close.xclient.data.l[0] = static_cast<long>(XInternAtom(x.display, "WM_DELETE_WINDOW", False));
         close.xclient.data.l[1] = CurrentTime;
         XSendEvent(x.display, window, False, NoEventMask, &close);
         XFlush(x.display);
         g.status = wait_for(g.pid, 5000);
     }},
};

class RealDisplay : public ::testing::Test {
protected:
    // A Wine server left from elsewhere would draw on its own display.
    static void SetUpTestSuite()
    {
        if (windows_build) {
            setenv("WINEPREFIX", (std::string(windows_build) + "/wine-prefix").c_str(), 1);
            setenv("WINEDEBUG", "-all", 1);
            wait_for(spawn("wineserver", {"-k"}), 10000);
        }
        start_display();
    }
    static void TearDownTestSuite()
    {
        if (windows_build)
            wait_for(spawn("wineserver", {"-k"}), 10000);
        stop_display();
    }
};

TEST_F(RealDisplay, WhatAPlayerSees)
{
    for (const display_case& c : display_cases) {
        SCOPED_TRACE(c.what);
        game g;
        // The first game on a fresh system may take seconds to set up its drawing.
        g.expect_screen(round_start_screen(), whole_screen, 20000, "the first frame", true);
        if (!g.at) {
            g.status = wait_for(g.pid, 0);
            ADD_FAILURE() << "the game, " << (g.status < 0 ? "still running" : "ended") << ", printed '"
                          << g.out().substr(0, 300) << "' and '" << read_bytes(g.dir.path + "/out.err") << "'";
            continue;
        }
        for (const steady::time_point start = steady::now(); !g.has_focus() && ms_since(start) < 5000;)
            sleep_ms(10);
        EXPECT_TRUE(g.has_focus()) << "the game's window does not have the keyboard";
        c.play(g);
        if (g.status < 0) {
            // Held until the game ends: the game reads the keys' state once a
            // frame, and a busy machine may run no frame during a short tap.
            g.key(XK_q, true);
            g.status = wait_for(g.pid, 5000);
            g.key(XK_q, false);
        }
        EXPECT_EQ(g.status, 0);
        referee expected;
        if (windows_build)  // msvcrt's rand(), from its unseeded start
            expected.rand = [seed = 1u]() mutable { return static_cast<int>((seed = seed * 214013 + 2531011) >> 16 & 0x7fff); };
        expected.play_script(c.steps);
        EXPECT_EQ(g.out(), expected.out);
    }
}

}  // namespace
