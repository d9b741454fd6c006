// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The game on a Wayland compositor, where SDL 3 (under sdl12-compat and sdl2-compat) takes it by itself: sway's
// headless back end, with no X display; keys typed on its virtual keyboard by wtype, the screen read back through
// its screen copy by grim, the window closed and hidden through sway's own commands.
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>

#include <map>

#include "front_end.h"

namespace {

const SDL_Color backdrop{0, 128, 128, 0};  // the output's, where no window is: no game pixel is this colour

bool in_path(const std::string& program)
{
    return wait_for(spawn({"sh", "-c", "command -v " + program}), 5000) == 0;
}

// A headless sway for the first game, kept to the runner's end: its own runtime folder, one output of 1024x768, the
// game's window floating so that its 640x480 shows as it is.
struct compositor {
    temp_dir runtime;
    pid_t server = -1, keyboard = -1;
    int width = 1024, height = 768;

    compositor()
    {
        chmod(runtime.path.c_str(), 0700);
        write_bytes(runtime.path + "/config", "output HEADLESS-1 resolution 1024x768 bg #008080 solid_color\n"
                                              "xwayland disable\ndefault_border none\ndefault_floating_border none\n"
                                              "for_window [title=\"^Pellmor$\"] floating enable\n");
        server = spawn({"sway", "--config", runtime.path + "/config"}, ".",
                       {"XDG_RUNTIME_DIR=" + runtime.path, "WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
                        "WLR_LIBINPUT_NO_DEVICES=1", "DISPLAY", "WAYLAND_DISPLAY"},
                       runtime.path + "/log", runtime.path + "/log");
        // Ready once it answers on its socket: a window that comes before may never have the keyboard.
        for (const steady::time_point start = steady::now(); run({"swaymsg", "-t", "get_outputs"}) != 0; sleep_ms(10))
            if (ms_since(start) > 10000) throw std::runtime_error("sway did not start: " + read_bytes(runtime.path + "/log"));
        // A keyboard from the start, as a desktop has: one that comes with a key already down gives the game its
        // keyboard with the key held, which it takes for no press.
        keyboard = spawn({"wtype", "-s", "86400000"}, ".", env());
    }
    ~compositor() { stop(keyboard), stop(server); }
    std::vector<std::string> env() const
    {
        return {"XDG_RUNTIME_DIR=" + runtime.path, "WAYLAND_DISPLAY=wayland-1", "DISPLAY", "SDL_VIDEODRIVER",
                "SDL_VIDEO_DRIVER"};
    }
    int run(const std::vector<std::string>& argv, const std::string& out = "/dev/null")
    {
        std::vector<std::string> with = env();
        for (const auto& f : fs::directory_iterator(runtime.path))
            if (f.path().filename().string().rfind("sway-ipc.", 0) == 0) with.push_back("SWAYSOCK=" + f.path().string());
        return wait_for(spawn(argv, ".", with, out), 5000);
    }
    // A part of the screen as it is now, from grim's PPM; its pixels by the screen's coordinates.
    std::function<SDL_Color(int, int)> grab(int left, int top, int w, int h)
    {
        left = std::clamp(left, 0, width - 1), top = std::clamp(top, 0, height - 1);
        w = std::min(w, width - left), h = std::min(h, height - top);
        const std::string shot = runtime.path + "/shot.ppm";
        const std::string region = std::to_string(left) + "," + std::to_string(top) + " " + std::to_string(w) + "x" +
                                   std::to_string(h);
        std::string ppm = run({"grim", "-t", "ppm", "-g", region, shot}) == 0 ? read_bytes(shot) : "";
        std::istringstream header(ppm);
        std::string magic;
        int pw = 0, ph = 0, max = 0;
        header >> magic >> pw >> ph >> max;
        const size_t at = static_cast<size_t>(header.tellg()) + 1;
        if (magic != "P6" || pw != w || ph != h || ppm.size() < at + 3ul * w * h) pw = ph = 0;
        auto pixels = std::make_shared<std::string>(ppm.substr(std::min(at, ppm.size())));
        return [=](int x, int y) {
            if (x < left || y < top || x >= left + pw || y >= top + ph) return no_colour;
            const unsigned char* p = reinterpret_cast<const unsigned char*>(pixels->data()) + 3 * ((y - top) * pw + x - left);
            return SDL_Color{p[0], p[1], p[2], 0};
        };
    }
};

std::unique_ptr<compositor>& wl() { static std::unique_ptr<compositor> c = std::make_unique<compositor>(); return c; }

struct on_wayland : front_end {
    temp_dir dir;
    pid_t pid = -1, server;
    int status = -1;
    bool focused = false;  // its window has had the keyboard
    placement place;
    std::map<std::string, pid_t> held;  // a wtype holding each key down; the key lets go when it ends

    on_wayland() : server(wl()->server)
    {
        copy_data(dir.path);
        started = steady::now();
        pid = spawn({PELLMOR_BINARY}, dir.path, wl()->env(), dir.path + "/out", dir.path + "/err");
    }
    ~on_wayland() override
    {
        for (auto& [name, typist] : held) stop(typist);
        if (status < 0) stop(pid);
    }
    // A key is held by a virtual keyboard of its own: wtype presses it and sleeps; ended, its keyboard goes and
    // the compositor lets the key go.
    void key(const std::string& name, bool down) override
    {
        if (!wl()) return;
        // Keys go where the focus is: its window may show before it has it, and a key pressed meanwhile is lost.
        for (const steady::time_point start = steady::now(); !focused && ms_since(start) < 5000; sleep_ms(10))
            focused = wl()->run({"swaymsg", "[con_id=__focused__ title=\"^Pellmor$\"] nop"}) == 0;
        const std::string sym = XKeysymToString(find_key(name)->x_keysym);
        if (down && !held.count(name))
            held[name] = spawn({"wtype", "-P", sym, "-s", "600000"}, ".", wl()->env());
        else if (!down && held.count(name))
            stop(held[name]), held.erase(name);
    }
    screen_model shown(SDL_Rect area) override
    {
        return place.shown([](int l, int t, int w, int h) { return wl()->grab(l, t, w, h); }, wl()->width,
                           wl()->height, area);
    }
    bool blends(SDL_Rect) override { return place.scale != 1; }
    bool full_screen() override
    {
        const auto screen = wl()->grab(0, 0, wl()->width, wl()->height);
        for (int px : {0, wl()->width - 1})
            for (int py : {0, wl()->height - 1})
                if (close_to(screen(px, py), backdrop)) return false;
        return true;
    }
    std::string misplaced() override { return ""; }
    bool close_window() override { return wl()->run({"swaymsg", "[title=\"^Pellmor$\"] kill"}) == 0; }
    bool fault(int signal) override
    {
        signal ? kill(pid, signal) : (wl().reset(), 0);
        return true;
    }
    std::string trace() override { return without_crs(read_bytes(dir.path + "/out")); }
    int ended(int ms) override { return status < 0 ? status = wait_for(pid, ms) : status; }
    std::string notes() override { return "it printed '" + trace().substr(0, 300) + "', " + read_bytes(dir.path + "/err"); }
    int presents() override { return -1; }  // sway tells no one of its frames
    long wakes() override { return context_switches(pid); }
    std::vector<pid_t> processes() override { return {pid, server}; }
    // Sent to sway's scratchpad, hidden, and shown again from there.
    bool hide_and_show(int way) override
    {
        if (way > 0) return false;
        wl()->run({"swaymsg", "[title=\"^Pellmor$\"] move scratchpad"}), sleep_ms(300);
        wl()->run({"swaymsg", "[title=\"^Pellmor$\"] scratchpad show"});
        return true;
    }
};

}  // namespace

std::unique_ptr<front_end> start_on_wayland() { return std::make_unique<on_wayland>(); }

// SDL 2 before 2.28 stops in SDL_Init on Wayland (Debian 12's 2.26); sdl2-compat, SDL 2 over SDL 3, counts from
// 2.30.50.
std::string wayland_missing()
{
    for (const char* program : {"sway", "swaymsg", "grim", "wtype"})
        if (!in_path(program)) return std::string("no ") + program + " here (./setup.sh test installs it where SDL 3 is)";
    const SDL_version* linked = SDL_Linked_Version();
    if (linked->patch < 50) return "the classic SDL 1.2 has no Wayland";
    SDL_version under{};
    if (void* sdl2 = dlopen("libSDL2-2.0.so.0", RTLD_LAZY))
        if (auto get = reinterpret_cast<void (*)(SDL_version*)>(dlsym(sdl2, "SDL_GetVersion"))) get(&under);
    if (under.major * 10000 + under.minor * 100 + under.patch < 23050)
        return "sdl12-compat runs on SDL " + std::to_string(under.major) + "." + std::to_string(under.minor) + "." +
               std::to_string(under.patch) + ", not on SDL 3 (sdl2-compat)";
    return "";
}
