// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// How the Linux build ends when its display goes away or a signal comes,
// whichever SDL 1.2 it runs on. Linked into the Linux game only; the game's
// own calls and their order are untouched.
//
// A lost X display: Xlib's handler exits with status 1, and the exit
// handlers then run SDL_Quit, which on sdl12-compat waits for good on the
// dead connection, a core busy. In a pause nothing talks to the display at
// all. So a thread waits for the connection's hang-up and ends the process,
// and the exit handlers, once they run, have half a second. A lost Wayland
// compositor, where SDL 3 has taken one, is met the same way.
//
// SIGTERM, SIGINT and SIGHUP: SDL would turn them into a quit event, read
// only after a pause of up to seven seconds, and never once the display is
// gone. The game ends through its exit handlers instead, so that SDL_Quit
// gives the display back, and then by the signal, as a parent expects: at
// once in a pause, else at the frame's next event pump. Not from within a
// frame's drawing, where SDL or the C library may hold a lock that the
// exit handlers would wait for.
#include "ending.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

extern "C" SDL_Surface* __real_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags);
extern "C" void __real_SDL_Delay(Uint32 ms);

namespace {

constexpr int ending_signals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr long way_out_ms = 500;  // what the exit handlers may take before the process ends without them
volatile sig_atomic_t caught = 0;  // the signal that ends the game, once one has come
volatile sig_atomic_t leaving = 0, exit_status = 0;  // once the exit handlers run, and the status they end with
volatile sig_atomic_t pausing = 0;  // while the game rests, holding nothing

void end_by_the_signal()
{
    signal(caught, SIG_DFL);
    raise(caught);
}

// The exit handlers took too long.
void on_deadline(int)
{
    if (caught)
        end_by_the_signal();
    _exit(exit_status);
}

void arm_deadline()
{
    signal(SIGALRM, on_deadline);
    const itimerval once{{0, 0}, {0, way_out_ms * 1000}};
    setitimer(ITIMER_REAL, &once, nullptr);
}

// Registered after the game has registered SDL_Quit, so it runs before it.
// The trace is kept first, whatever SDL_Quit then does.
void on_leaving(int status, void*)
{
    exit_status = status;
    leaving = 1;
    std::fflush(stdout);
    arm_deadline();
}

// Registered before the game registers SDL_Quit, so it runs after it.
void after_sdl_quit()
{
    if (caught)
        end_by_the_signal();
}

[[noreturn]] void end_for_the_signal() { std::exit(128 + caught); }

void on_signal(int sig)
{
    if (caught) {  // a second signal, or one while the way out hangs
        signal(sig, SIG_DFL);
        raise(sig);
    }
    // The exit handlers run on the game's own thread.
    if (syscall(SYS_gettid) != getpid()) {
        syscall(SYS_tgkill, getpid(), getpid(), sig);
        return;
    }
    caught = sig;
    if (pausing)
        end_for_the_signal();
}

// Before main, so that SDL keeps these handlers rather than install its own.
[[maybe_unused]] const bool ready = [] {
    struct sigaction action {};
    action.sa_handler = on_signal;
    action.sa_flags = SA_NODEFER;  // a second signal ends the game at once
    sigemptyset(&action.sa_mask);
    for (int sig : ending_signals)
        sigaction(sig, &action, nullptr);
    std::atexit(after_sdl_quit);
    return true;
}();

// Until the X server, or the Wayland compositor, closes the connection: it
// has gone, or it has cut the game off. Nothing is left to give back, so the
// exit handlers are skipped; what the game has printed is kept. On the way
// out SDL closes the connection itself, and the deadline holds.
int watched = -1;                // the display's connection, once its watch has started
const char* watched_display = "";  // "X" or "Wayland"

void end_for_the_lost_display()
{
    std::fprintf(stderr, "Pellmor: the %s display has gone away\n", watched_display);
    exit_status = 1;
    arm_deadline();  // should the trace's output hang
    std::fflush(stdout);
    _exit(1);
}

// What became of the connection within wait_ms: hung up, closed by SDL (POLLNVAL), or nothing (0).
short hang_up_in(int wait_ms)
{
    pollfd connection{watched, POLLRDHUP, 0};
    return poll(&connection, 1, wait_ms) > 0 ? connection.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL) : 0;
}

void watch()
{
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);  // signals are the game thread's
    short got;
    do
        got = hang_up_in(-1);
    while (!got);
    if (!(got & POLLNVAL) && !leaving)
        end_for_the_lost_display();
}

// The game's connection to its Wayland compositor, where SDL 3 has taken
// one: the socket whose other end is the one that libwayland connects to.
// SDL 1.2 has no word for it. -1 if there is none.
int wayland_connection()
{
    const char* name = std::getenv("WAYLAND_DISPLAY");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!name || !*name)
        name = "wayland-0";
    const std::string path = name[0] == '/' ? name : std::string(runtime ? runtime : "") + "/" + name;
    for (int fd = 3; fd < 256; ++fd) {
        sockaddr_un peer{};
        socklen_t size = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) == 0 && peer.sun_family == AF_UNIX &&
            path == peer.sun_path)
            return fd;
    }
    return -1;
}

// SDL tells of the X connection only where Xlib's headers were there to
// build with (sdl12-compat's headers leave it out otherwise).
void watch_the_display()
{
#ifdef SDL_VIDEO_DRIVER_X11
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) == 1 && info.subsystem == SDL_SYSWM_X11) {
        watched = ConnectionNumber(info.info.x11.display), watched_display = "X";
        return std::thread(watch).detach();
    }
#endif
    if ((watched = wayland_connection()) >= 0)
        watched_display = "Wayland", std::thread(watch).detach();
}

}  // namespace

// SDL 3 turns a Wayland compositor's going into a quit event, which would end the game as if its player had quit:
// whichever of the two sees it first, the game ends for the lost display.
void end_if_display_gone()
{
    if (watched >= 0 && (hang_up_in(0) & ~POLLNVAL))
        end_for_the_lost_display();
}

void end_if_signalled()
{
    if (caught)
        end_for_the_signal();
}

void rest(const std::function<void()>& wait)
{
    pausing = 1;
    if (!caught)
        wait();
    pausing = 0;
    end_if_signalled();
}

// The game's SDL_Delay, by the linker's --wrap: a rest.
extern "C" void __wrap_SDL_Delay(Uint32 ms)
{
    rest([ms] { __real_SDL_Delay(ms); });
}

// The game's SDL_SetVideoMode: the half-second limit on the way out is
// registered after the game's atexit(SDL_Quit), so that it runs first;
// the display's watch starts once the display is open.
extern "C" SDL_Surface* __wrap_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    static bool first = true;
    if (first)
        on_exit(on_leaving, nullptr);
    SDL_Surface* screen = __real_SDL_SetVideoMode(width, height, bpp, flags);
    if (screen != nullptr && first)
        watch_the_display();
    first = false;
    return screen;
}
