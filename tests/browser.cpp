// The web build (PELLMOR_WEB_BUILD: its folder) as a player meets it: served
// on 127.0.0.1 by a static file server, played in Debian's Chromium,
// headless, driven through its DevTools protocol on a pipe. Keys go in as
// the browser's input events, the canvas is read back pixel by pixel and
// the console is the game's trace.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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

// A child whose fds 3 and 4 are the given ones, if any, and whose output
// goes to out (its standard error to out.err).
pid_t spawn(const std::vector<std::string>& args, const std::string& out, int fd3 = -1, int fd4 = -1)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // nothing outlives a runner that died
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
    dup2(open((out + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
    if (fd3 >= 0)
        dup2(fd3, 3), dup2(fd4, 4);
    for (int fd = fd3 >= 0 ? 5 : 3; fd < 256; ++fd)
        close(fd);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(97);
}

void stop(pid_t pid)
{
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

// The first string value of key in a DevTools message, unescaped.
std::string json_string(const std::string& message, const std::string& key)
{
    std::size_t at = message.find("\"" + key + "\":\"");
    if (at == std::string::npos)
        return "";
    std::string value;
    for (at += key.size() + 4; at < message.size() && message[at] != '"'; ++at) {
        char c = message[at];
        if (c == '\\') {
            c = message[++at];
            if (c == 'u') {
                c = static_cast<char>(std::stoi(message.substr(at + 1, 4), nullptr, 16));
                at += 4;
            } else if (c == 'n') {
                c = '\n';
            } else if (c == 't') {
                c = '\t';
            }
        }
        value += c;
    }
    return value;
}

std::string quoted(const std::string& text)
{
    std::string q = "\"";
    for (char c : text)
        q += c == '"' || c == '\\' ? std::string{'\\', c} : std::string{c};
    return q + "\"";
}

std::vector<unsigned char> from_base64(const std::string& text)
{
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<unsigned char> bytes;
    unsigned bits = 0, count = 0;
    for (char c : text) {
        const std::size_t d = digits.find(c);
        if (d == std::string::npos)
            continue;
        bits = bits << 6 | static_cast<unsigned>(d), count += 6;
        if (count >= 8)
            bytes.push_back(static_cast<unsigned char>(bits >> (count -= 8)));
    }
    return bytes;
}

struct key_code {
    const char *name, *key, *code;
    int virtual_code;
};
constexpr key_code keys[] = {
    {"right", "ArrowRight", "ArrowRight", 39}, {"left", "ArrowLeft", "ArrowLeft", 37},
    {"up", "ArrowUp", "ArrowUp", 38},          {"down", "ArrowDown", "ArrowDown", 40},
    {"w", "w", "KeyW", 87},                    {"a", "a", "KeyA", 65},
    {"s", "s", "KeyS", 83},                    {"d", "d", "KeyD", 68},
    {"f", "f", "KeyF", 70},                    {"q", "q", "KeyQ", 81},
};

// The static file server, and Chromium with the page in a tab of its own.
struct browser {
    temp_dir dir;
    pid_t server = -1, chromium = -1;
    int to = -1, from = -1, next_id = 1;
    std::string session, unread, console;

    browser()
    {
        server = spawn({"python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory",
                        std::getenv("PELLMOR_WEB_BUILD")},
                       dir.path + "/server");
        std::string port;
        for (const steady::time_point start = steady::now(); port.empty() && ms_since(start) < 10000; sleep_ms(20)) {
            const std::string said = access((dir.path + "/server").c_str(), R_OK) == 0 ? read_bytes(dir.path + "/server") : "";
            if (const std::size_t at = said.find(" port "); at != std::string::npos)
                port = std::to_string(std::atoi(said.c_str() + at + 6));
        }
        if (port.empty())
            throw std::runtime_error("the file server did not start");

        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            throw std::runtime_error("pipe failed");
        std::vector<std::string> args{"chromium", "--headless", "--remote-debugging-pipe", "--no-first-run",
                                      "--no-default-browser-check", "--user-data-dir=" + dir.path + "/profile",
                                      "--window-size=800,600", "--disable-gpu", "about:blank"};
        if (geteuid() == 0)
            args.insert(args.begin() + 1, "--no-sandbox");  // Chromium's sandbox refuses root
        chromium = spawn(args, dir.path + "/chromium", in[0], out[1]);
        close(in[0]), close(out[1]);
        to = in[1], from = out[0];

        const std::string target = json_string(call("Target.createTarget", "{\"url\":\"about:blank\"}"), "targetId");
        session = json_string(call("Target.attachToTarget", "{\"targetId\":\"" + target + "\",\"flatten\":true}"),
                              "sessionId");
        call("Runtime.enable");
        call("Page.navigate", "{\"url\":\"http://127.0.0.1:" + port + "/pellmor.html\"}");
    }
    ~browser()
    {
        close(to), close(from);
        stop(chromium), stop(server);
    }

    std::string read_message()
    {
        for (;;) {
            if (const std::size_t end = unread.find('\0'); end != std::string::npos) {
                std::string message = unread.substr(0, end);
                unread.erase(0, end + 1);
                return message;
            }
            pollfd p{from, POLLIN, 0};
            char chunk[1 << 16];
            const ssize_t n = poll(&p, 1, 30000) == 1 ? read(from, chunk, sizeof chunk) : -1;
            if (n <= 0)
                throw std::runtime_error("Chromium stopped answering: " + read_bytes(dir.path + "/chromium.err"));
            unread.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // A DevTools command, to the page's session once there is one; its reply.
    // The console's lines that come meanwhile are kept.
    std::string call(const std::string& method, const std::string& params = "{}")
    {
        const int id = next_id++;
        const std::string message = "{\"id\":" + std::to_string(id) + ",\"method\":\"" + method +
                                    "\",\"params\":" + params +
                                    (session.empty() ? "" : ",\"sessionId\":\"" + session + "\"") + "}";
        if (write(to, message.c_str(), message.size() + 1) != static_cast<ssize_t>(message.size() + 1))
            throw std::runtime_error("cannot write to Chromium");
        for (;;) {
            const std::string reply = read_message();
            if (reply.rfind("{\"id\":" + std::to_string(id) + ",", 0) == 0)
                return reply;
            if (reply.find("\"Runtime.consoleAPICalled\"") != std::string::npos &&
                reply.find("\"type\":\"log\"") != std::string::npos)
                console += json_string(reply, "value") + "\n";
        }
    }

    std::string evaluate(const std::string& expression)
    {
        return json_string(call("Runtime.evaluate", "{\"expression\":" + quoted(expression) +
                                                        ",\"returnByValue\":true,\"awaitPromise\":true}"),
                           "value");
    }

    void key(const char* name, bool down, bool repeat = false)
    {
        for (const key_code& k : keys)
            if (std::string(name) == k.name)
                call("Input.dispatchKeyEvent",
                     std::string("{\"type\":\"") + (down ? "keyDown" : "keyUp") + "\",\"key\":\"" + k.key +
                         "\",\"code\":\"" + k.code + "\",\"windowsVirtualKeyCode\":" +
                         std::to_string(k.virtual_code) + ",\"autoRepeat\":" + (repeat ? "true" : "false") + "}");
    }

    // The canvas's pixels in area now, in the game's coordinates; black
    // before it has any.
    screen_model canvas(SDL_Rect area)
    {
        char read[160];
        std::snprintf(read, sizeof read, "getImageData(%d, %d, %d, %d)", area.x, area.y, area.w, area.h);
        const std::string shot = evaluate(
            "(() => { const c = document.getElementById('canvas'); if (c.width != 640) return '';"
            " const d = c.getContext('2d')." + std::string(read) + ".data; let s = '';"
            " for (let i = 0; i < d.length; i += 32768) s += String.fromCharCode.apply(null, d.subarray(i, i + 32768));"
            " return btoa(s); })()");
        auto rgba = std::make_shared<std::vector<unsigned char>>(from_base64(shot));
        return [rgba, area](int x, int y) {
            const std::size_t at = (static_cast<std::size_t>(y - area.y) * area.w + (x - area.x)) * 4;
            return at + 2 < rgba->size() ? SDL_Color{(*rgba)[at], (*rgba)[at + 1], (*rgba)[at + 2], 0} : black;
        };
    }

    // Waits up to ms for the canvas to show want in area; the mismatches of
    // the last look. The page's FreeType is Debian 12's on every release, and
    // another version may set a glyph's edge pixels otherwise than the one
    // the expected text is drawn with (Debian 13's does): but for exact,
    // pixels at colour edges are left out.
    int wait_for_canvas(const screen_model& want, SDL_Rect area, int ms, std::string& first, bool exact = false)
    {
        for (const steady::time_point start = steady::now();; sleep_ms(10)) {
            const int wrong = mismatches(want, canvas(area), area, first, !exact);
            if (wrong == 0 || ms_since(start) > ms)
                return wrong;
        }
    }
    void expect_canvas(const screen_model& want, SDL_Rect area, int ms, const char* what)
    {
        std::string first;
        EXPECT_EQ(wait_for_canvas(want, area, ms, first), 0) << what << ": " << first;
    }

    // A step: the key held until the game has taken it (it prints the
    // monsters' moves, or its outcome), and never for longer than the
    // monsters' pause, in case it prints nothing; then released.
    void step(const char* name)
    {
        evaluate("0");  // what the last step printed is in
        const std::size_t printed = console.size();
        key(name, true);
        for (const steady::time_point start = steady::now(); console.size() == printed && ms_since(start) < 250;) {
            sleep_ms(20);  // a stream of commands would hold the page's frames back
            evaluate("0");
        }
        key(name, false);
        sleep_ms(400);  // the monsters' pause, and a frame
    }
    bool full_screen() { return evaluate("String(!!document.fullscreenElement)") == "true"; }
    std::string ended() { return evaluate("document.body.dataset.ended || ''"); }
};

screen_model figure_on(int col)
{
    const std::shared_ptr<SDL_Surface> figure(SDL_LoadBMP(PELLMOR_DATA_DIR "/typ.bmp"), SDL_FreeSurface);
    return [figure, col](int x, int y) { return sprite_pixel(figure.get(), x - (col + 1) * 50, y - 50); };
}

struct web_case {
    const char* what;
    const char* steps;  // what it plays, as a key script for the referee
    std::function<void(browser&)> play;
};

const web_case web_cases[] = {
    {"the first frame is the Linux build's, pixel for pixel, scaled to the window; Q ends it", "", [](browser& b) {
         temp_dir dir, snaps;
         copy_data(dir.path);
         const surface_ptr linux_frame = run_pellmor(dir.path, ",snap", snaps.path).snapshot("frame-2");
         ASSERT_TRUE(linux_frame);
         // The board pixel for pixel; the score line so where both FreeTypes are one version.
         const screen_model linux_screen = surface_screen(linux_frame.get());
         std::string first;
         EXPECT_EQ(b.wait_for_canvas(linux_screen, {0, 0, 640, 412}, 0, first, true), 0) << first;
         b.expect_canvas(linux_screen, score_band, 0, "the Linux build's score line");
         std::printf("the first frame differs from the Linux build's in %d pixels of the score line\n",
                     b.wait_for_canvas(linux_screen, score_band, 0, first, true));
         // As large as the window allows, its shape kept.
         EXPECT_EQ(b.evaluate("(() => { const r = document.getElementById('canvas').getBoundingClientRect();"
                              " return String(Math.abs(r.width - Math.min(innerWidth, innerHeight * 4 / 3)) < 1"
                              " && Math.abs(r.height * 4 / 3 - r.width) < 1); })()"),
                   "true");
     }},
    {"a step shows in a frame or two, and the coin's score line after the monsters' pause", "right",
     [](browser& b) {
         const steady::time_point pressed = steady::now();
         b.key("right", true);
         std::string first;
         const int wrong = b.wait_for_canvas(figure_on(1), {100, 50, 50, 50}, 1000, first);
         const double latency = ms_since(pressed);
         b.key("right", false);
         std::printf("a step showed on the canvas %.1f ms after its key\n", latency);
         EXPECT_EQ(wrong, 0) << "the figure on (1, 0): " << first;
         EXPECT_LT(latency, 200);
         b.expect_canvas(score_band_screen("PUNKTE: 1 VON 17"), score_band, 2000, "the score line");
         b.expect_canvas([](int, int) { return background; }, {50, 50, 50, 50}, 0, "the cell left");
     }},
    {"a bomb: its picture all through the wait, then a new round", "right,right", [](browser& b) {
         b.step("right");
         b.key("right", true);
         const steady::time_point stepped = steady::now();
         b.expect_canvas(picture_screen("tod.bmp"), whole_screen, 1000, "tod.bmp at once");
         b.key("right", false);
         sleep_ms(static_cast<int>(2500 - ms_since(stepped)));
         b.expect_canvas(picture_screen("tod.bmp"), whole_screen, 0, "tod.bmp 2.5 s on");
         b.expect_canvas(round_start_screen(), whole_screen, 7000, "the new round");
         EXPECT_GT(ms_since(stepped), 3900) << "the new round came before the wait was over";
     }},
    {"each F press toggles the page's full screen once, held with the keyboard's repeats or not", "",
     [](browser& b) {
         for (const int repeats : {10, 0}) {
             const bool before = b.full_screen();
             b.key("f", true);
             for (int r = 0; r < repeats; ++r, sleep_ms(30))
                 b.key("f", true, true);
             sleep_ms(100);
             b.key("f", false);
             sleep_ms(500);
             EXPECT_NE(b.full_screen(), before) << "F with " << repeats << " repeats";
             b.expect_canvas(round_start_screen(), whole_screen, 1000, "the board after F");
         }
     }},
};

// The web build's rand(): musl's, from its unseeded start.
std::function<int()> web_rand()
{
    return [seed = 0ull]() mutable {
        seed = 6364136223846793005ull * seed + 1;
        return static_cast<int>(seed >> 33);
    };
}

// The referee's winning walk with that rand(), then the win picture, and
// the game ends by itself.
std::string web_win;

TEST(Browser, WhatAPlayerSees)
{
    ASSERT_NE(std::getenv("PELLMOR_WEB_BUILD"), nullptr) << "set PELLMOR_WEB_BUILD to the web build's folder";
    std::vector<web_case> cases(std::begin(web_cases), std::end(web_cases));
    web_win = plan_win(400, web_rand());
    cases.push_back({"the referee's winning walk, then the win picture, and the game ends", web_win.c_str(),
                     [](browser& b) {
                         // Every other step with the letter keys.
                         const std::string letters = "wasd", arrows[] = {"up", "left", "down", "right"};
                         std::size_t from = 0, steps = 0;
                         for (std::size_t to = 0; to != std::string::npos; from = to + 1, ++steps) {
                             to = web_win.find(',', from);
                             std::string key = web_win.substr(from, to - from);
                             for (int k = 0; k < 4 && steps % 2; ++k)
                                 if (key == arrows[k])
                                     key = letters.substr(k, 1);
                             b.step(key.c_str());
                         }
                         b.expect_canvas(picture_screen("win.bmp"), whole_screen, 1000, "win.bmp");
                         for (const steady::time_point start = steady::now(); b.ended().empty() && ms_since(start) < 9000;)
                             sleep_ms(100);
                     }});
    for (const web_case& c : cases) {
        SCOPED_TRACE(c.what);
        const steady::time_point start = steady::now();
        browser b;
        std::string first;
        if (b.wait_for_canvas(round_start_screen(), whole_screen, 20000, first) != 0) {
            ADD_FAILURE() << "no first frame: " << first << "; the console: " << b.console.substr(0, 300);
            continue;
        }
        std::printf("the first frame on the canvas %.0f ms after the browser started, %s ms after the page's request\n",
                    ms_since(start), b.evaluate("String(Math.round(performance.now()))").c_str());
        c.play(b);
        if (b.ended().empty()) {
            b.key("q", true);
            for (const steady::time_point pressed = steady::now(); b.ended().empty() && ms_since(pressed) < 5000;)
                sleep_ms(20);
            b.key("q", false);
        }
        EXPECT_EQ(b.ended(), "0") << "the page does not say that the game ended";
        EXPECT_NE(b.evaluate("document.getElementById('status').textContent").find("ended"), std::string::npos);
        referee expected;
        expected.rand = web_rand();
        expected.play_script(c.steps);
        EXPECT_EQ(b.console, expected.out);
    }
}

}  // namespace
