// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The game on a real X display: Xvfb with the openbox window manager, keys pressed through XTEST, the screen read
// back pixel by pixel. The game is the Linux build, with the SDL it was built or is loaded with, or the Windows
// build's pellmor.exe from its zip under Wine, in the build's prefix.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "front_end.h"

namespace {

// A colour that no game pixel is: where it shows, the root window does.
const SDL_Color root_colour{0, 128, 128, 0};

// Xvfb and its window manager, started for the first game and kept to the runner's end, and our connection to them.
struct x_server {
    pid_t server = -1, manager = -1;
    Display* display = nullptr;
    Window root = 0;
    int width = 0, height = 0;
    std::string name;
    int damage_event = 0, frames = 0;  // what the screen has shown: its damage, by the millisecond it came at
    Time last_frame = 0;

    x_server()
    {
        server = start_xvfb(name);
        if (server < 0 || !(display = XOpenDisplay(name.c_str()))) throw std::runtime_error("Xvfb did not start");
        root = DefaultRootWindow(display);
        width = DisplayWidth(display, 0), height = DisplayHeight(display, 0);
        // The window manager is ready when it frames a window of ours: a game started before it is may never be
        // shown.
        manager = spawn({"openbox", "--sm-disable"}, ".", {"DISPLAY=" + name});
        const Window probe = XCreateSimpleWindow(display, root, 0, 0, 10, 10, 0, 0, 0);
        XMapWindow(display, probe);
        for (const steady::time_point start = steady::now(); parent_of(probe) == root; sleep_ms(10))
            if (ms_since(start) > 10000) throw std::runtime_error("the window manager did not start");
        XDestroyWindow(display, probe);
        XSetWindowBackground(display, root, root_colour.r << 16 | root_colour.g << 8 | root_colour.b);
        XClearWindow(display, root);
        int error = 0;
        if (!XDamageQueryExtension(display, &damage_event, &error)) throw std::runtime_error("Xvfb has no DAMAGE");
        XDamageCreate(display, root, XDamageReportRawRectangles);
        XSync(display, False);
    }
    // Frames shown on the screen so far: drawing at another millisecond than the last counts as another frame.
    int shown_frames()
    {
        for (XEvent e; XPending(display) && (XNextEvent(display, &e), true);) {
            const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(e);
            if (e.type == damage_event + XDamageNotify && damage.timestamp != last_frame)
                ++frames, last_frame = damage.timestamp;
        }
        return frames;
    }
    ~x_server() { lose(), stop(manager); }
    void lose()  // as when it crashes: our connection to it is dead
    {
        if (display) XCloseDisplay(display), stop(server), display = nullptr;
    }
    Window parent_of(Window w)
    {
        Window root_of, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, w, &root_of, &parent, &children, &count);
        XFree(children);
        return parent;
    }
    // A part of the screen as it is now; its pixels by the screen's coordinates.
    std::function<SDL_Color(int, int)> grab(int left, int top, int w, int h)
    {
        left = std::clamp(left, 0, width - 1), top = std::clamp(top, 0, height - 1);
        w = std::min(w, width - left), h = std::min(h, height - top);
        std::shared_ptr<XImage> image(XGetImage(display, root, left, top, w, h, AllPlanes, ZPixmap),
                                      [](XImage* i) { XDestroyImage(i); });
        return [=](int x, int y) {
            if (x < left || y < top || x >= left + w || y >= top + h) return no_colour;
            const unsigned long p = XGetPixel(image.get(), x - left, y - top);
            return SDL_Color{static_cast<Uint8>(p >> 16), static_cast<Uint8>(p >> 8), static_cast<Uint8>(p), 0};
        };
    }
};

x_server& x() { static x_server server; return server; }

std::string wine_prefix() { return windows_build + std::string("/wine-prefix"); }

// A Wine server left from the headless runs would draw on no display; ours ends by itself after the last game.
void end_wine_server() { wait_for(spawn({"wineserver", "-k"}, ".", {"WINEPREFIX=" + wine_prefix()}), 10000); }

struct on_x : front_end {
    temp_dir dir;
    pid_t pid = -1;
    int status = -1;
    bool wine;
    Window window = 0;
    placement place;

    explicit on_x(bool under_wine) : wine(under_wine)
    {
        copy_data(dir.path);
        // As the launcher starts it, on this display, whatever display the runner has.
        std::vector<std::string> env{"DISPLAY=" + x().name, "SDL_VIDEODRIVER", "SDL_VIDEO_DRIVER", "WAYLAND_DISPLAY",
                                     "SDL12COMPAT_SYNC_TO_VBLANK=1", "SDL12COMPAT_SCALE_METHOD=nearest"},
            game{PELLMOR_BINARY};
        if (wine) env.insert(env.end(), {"WINEPREFIX=" + wine_prefix(), "WINEDEBUG=-all"});
        if (wine) game = {"wine", windows_build + std::string("/pellmor-windows/pellmor.exe")};
        started = steady::now();
        pid = spawn(game, dir.path, env, dir.path + "/out", dir.path + "/err");
    }
    ~on_x() override { if (status < 0) stop(pid); }

    // Keys go where the focus is: to the game only once its window, the one titled Pellmor, has it or one inside it.
    Window game_window()
    {
        Window w;
        int revert;
        XGetInputFocus(x().display, &w, &revert);
        for (; w > PointerRoot && w != x().root; w = x().parent_of(w)) {
            char* title = nullptr;
            const bool titled = XFetchName(x().display, w, &title) && title && std::string(title) == "Pellmor";
            XFree(title);
            if (titled) return w;
        }
        return 0;
    }
    Window focused_game()  // once it has had the focus
    {
        for (const steady::time_point start = steady::now(); !window && !(window = game_window()) && ms_since(start) < 5000;)
            sleep_ms(10);
        EXPECT_NE(window, 0u) << "the game's window does not have the keyboard";
        return window;
    }
    void key(const std::string& name, bool down) override
    {
        if (!x().display) return;
        const KeyCode code = XKeysymToKeycode(x().display, find_key(name)->x_keysym);
        if (focused_game()) XTestFakeKeyEvent(x().display, code, down, CurrentTime);
        XFlush(x().display);
    }
    screen_model shown(SDL_Rect area) override
    {
        return place.shown([](int l, int t, int w, int h) { return x().grab(l, t, w, h); }, x().width, x().height, area);
    }
    // The Windows build's FreeType may be another version than the one the expected text is drawn with (on Debian
    // 13 it is 12's).
    bool blends(SDL_Rect) override { return place.scale != 1 || wine; }
    // Windowed, the root shows in a corner of the screen.
    bool full_screen() override
    {
        for (int px : {0, x().width - 1})
            for (int py : {0, x().height - 1})
                if (close_to(x().grab(px, py, 1, 1)(px, py), root_colour)) return false;
        return true;
    }
    std::string misplaced() override { return ""; }  // the window manager places windows, SDL the full screen
    bool close_window() override
    {
        XEvent close{};
        const Atom protocols = XInternAtom(x().display, "WM_PROTOCOLS", False);
        close.xclient = {ClientMessage, 0, False, x().display, focused_game(), protocols, 32, {}};
        close.xclient.data.l[0] = static_cast<long>(XInternAtom(x().display, "WM_DELETE_WINDOW", False));  // at CurrentTime
        XSendEvent(x().display, close.xclient.window, False, NoEventMask, &close);
        XFlush(x().display);
        return close.xclient.window != 0;
    }
    // From here on what the game leaves behind is ours: ended waits for it too.
    bool fault(int signal) override
    {
        if (wine) return false;
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        signal ? kill(pid, signal) : (x().lose(), 0);
        return true;
    }
    std::string trace() override { return without_crs(read_bytes(dir.path + "/out")); }
    int ended(int ms) override
    {
        const steady::time_point start = steady::now();
        if (status < 0) status = wait_for(pid, ms);
        while (status >= 0 && left_behind() && ms_since(start) < ms) sleep_ms(10);
        return status >= 0 && left_behind() ? -1 : status;
    }
    int left_behind()  // processes, besides the window manager, that the ended game left to us
    {
        int left = 0;
        while (waitpid(-1, nullptr, WNOHANG) > 0) {}
        std::ifstream children("/proc/self/task/" + std::to_string(getpid()) + "/children");
        for (pid_t p; children >> p;) left += p != x().manager && p != x().server;
        return left;
    }
    std::string notes() override { return "it printed '" + trace().substr(0, 300) + "', " + read_bytes(dir.path + "/err"); }
    int presents() override { return x().shown_frames(); }
    long wakes() override { return context_switches(pid); }
    // Under Wine also Wine's server. Not its device host, which looks for devices on 2 % of a core with or without
    // a game.
    std::vector<pid_t> processes() override
    {
        std::vector<pid_t> all{pid, x().server};
        if (!wine) return all;
        for (const auto& p : fs::directory_iterator("/proc")) {
            std::string name, env;
            try { name = read_bytes(p.path() / "comm"), env = read_bytes(p.path() / "environ"); } catch (...) {}
            if (name.rfind("wineserver", 0) == 0 && env.find("WINEPREFIX=" + wine_prefix() + '\0') != env.npos)
                all.push_back(std::atoi(p.path().filename().c_str()));
        }
        return all;
    }
    // Covered by a window of the screen's size, or iconified and then activated as a task bar does.
    bool hide_and_show(int way) override
    {
        Display* d = x().display;
        XSetWindowAttributes cover_look{};
        cover_look.override_redirect = True, cover_look.background_pixel = WhitePixel(d, 0);
        XEvent activate{};
        activate.xclient = {ClientMessage, 0, False, d, focused_game(), XInternAtom(d, "_NET_ACTIVE_WINDOW", False), 32, {}};
        activate.xclient.data.l[0] = 2;  // from a pager or task bar
        if (way == 0) {
            const Window cover = XCreateWindow(d, x().root, 0, 0, x().width, x().height, 0, CopyFromParent, InputOutput,
                                               CopyFromParent, CWOverrideRedirect | CWBackPixel, &cover_look);
            XMapRaised(d, cover), XSync(d, False), sleep_ms(300);
            XDestroyWindow(d, cover);
        } else if (way == 1) {
            XIconifyWindow(d, focused_game(), 0), XSync(d, False), sleep_ms(300);
            XSendEvent(d, x().root, False, SubstructureRedirectMask | SubstructureNotifyMask, &activate);
            // Restored once the window manager has shown it again, after its animation.
            XWindowAttributes a{};
            for (const steady::time_point at = steady::now(); ms_since(at) < 2000; sleep_ms(5))
                if (XGetWindowAttributes(d, focused_game(), &a) && a.map_state == IsViewable) break;
            // Wine 10's window may come back without the keyboard: a player then clicks into it.
            for (const steady::time_point at = steady::now(); !game_window() && ms_since(at) < 500;) sleep_ms(10);
            if (!game_window()) {
                int at_x = 0, at_y = 0;
                Window child;
                XTranslateCoordinates(d, focused_game(), x().root, a.width / 2, a.height / 2, &at_x, &at_y, &child);
                XTestFakeMotionEvent(d, -1, at_x, at_y, CurrentTime);
                XTestFakeButtonEvent(d, 1, True, CurrentTime), XTestFakeButtonEvent(d, 1, False, CurrentTime);
            }
        }
        XSync(d, False);
        return way <= 1;
    }
};

}  // namespace

std::unique_ptr<front_end> start_on_x() { return std::make_unique<on_x>(false); }

std::unique_ptr<front_end> start_under_wine()
{
    static const bool once = (end_wine_server(), true);
    return once ? std::make_unique<on_x>(true) : nullptr;
}
