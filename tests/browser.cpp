// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The web build (PELLMOR_WEB_BUILD: its folder) in a browser: its zip unpacked and served on 127.0.0.1 by a static
// file server, played in Debian's Chromium, headless, driven through its DevTools protocol on a pipe. Keys go in as
// the browser's key events, with a keyboard's repeats while held, or on a phone (a 390x844 touch screen) as touches
// on the page's controls; the canvas is read back pixel by pixel and the console is the game's trace.
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

#include "front_end.h"

namespace {

// The first string value of key in a DevTools message, unescaped.
std::string json_string(const std::string& message, const std::string& key)
{
    const std::size_t found = message.find("\"" + key + "\":\"");
    std::string value;
    for (std::size_t at = found == message.npos ? message.size() : found + key.size() + 4;
         at < message.size() && message[at] != '"'; ++at) {
        char c = message[at];
        if (c == '\\') {
            c = message[++at];
            if (c == 'u') c = static_cast<char>(std::stoi(message.substr(at + 1, 4), nullptr, 16)), at += 4;
            c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
        value += c;
    }
    return value;
}

std::string quoted(const std::string& text)
{
    std::string q = "\"";
    for (char c : text) q += c == '"' || c == '\\' ? std::string{'\\', c} : std::string{c};
    return q + "\"";
}

std::uint32_t fnv1a(const std::string& bytes)
{
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : bytes) hash = (hash ^ c) * 16777619u;
    return hash;
}

std::vector<unsigned char> from_base64(const std::string& text)
{
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<unsigned char> bytes;
    unsigned bits = 0, count = 0;
    for (char c : text) {
        const char* d = c ? std::strchr(digits, c) : nullptr;
        if (!d) continue;
        bits = bits << 6 | static_cast<unsigned>(d - digits), count += 6;
        if (count >= 8) bytes.push_back(static_cast<unsigned char>(bits >> (count -= 8)));
    }
    return bytes;
}

// The static file server, and Chromium with the page in a tab of its own.
struct in_browser : front_end {
    temp_dir dir;
    pid_t server = -1, chromium = -1;
    int to = -1, from = -1, next_id = 1;
    std::string target, session, unread, console;
    std::map<std::string, steady::time_point> held;  // keys down, and since when
    const bool phone, with_pad;
    std::set<int> pad_buttons;  // the pad's buttons pressed, and its stick
    int pad_x = 0, pad_y = 0;
    std::map<int, std::string> touches;  // fingers down, by their ids: where, as DevTools has it
    const std::string page = dir.path + "/page";  // what the server serves
    std::map<std::string, std::string> requested;  // offline, the page's requests by their ids, and what came wrong:
    std::string not_from_the_worker;

    // On a phone, offline: after a first visit, the server stopped, the browser's own cache emptied, the network
    // off, the page reloaded.
    // Without the game: the page served, an empty one shown.
    in_browser(bool on_phone, bool offline, bool game = true, bool by_pad = false) : phone(on_phone), with_pad(by_pad)
    {
        // Last changed long ago, as a published page is: the browser takes its files for fresh without asking.
        const std::string zip = std::getenv("PELLMOR_WEB_BUILD") + std::string("/pellmor-web.zip");
        if (wait_for(spawn({"python3", "-m", "zipfile", "-e", zip, page}), 10000) != 0)
            throw std::runtime_error("cannot unpack " + zip);
        for (const auto& file : fs::recursive_directory_iterator(page))
            fs::last_write_time(file.path(), fs::file_time_type::clock::now() - std::chrono::hours(24 * 365));
        server = spawn({"python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", page}, ".",
                       {}, dir.path + "/server");
        int port = 0;  // as the server says once it listens
        for (const steady::time_point start = steady::now(); !port && ms_since(start) < 10000; sleep_ms(20))
            if (fs::exists(dir.path + "/server"))
                std::sscanf(read_bytes(dir.path + "/server").c_str(), "Serving HTTP on %*s port %d", &port);
        if (!port) throw std::runtime_error("the file server did not start");
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
        std::vector<std::string> args{"chromium", "--headless", "--remote-debugging-pipe", "--no-first-run",
                                      "--disable-background-networking", "--disable-component-update", "--disable-sync",
                                      "--no-default-browser-check", "--user-data-dir=" + dir.path + "/profile",
                                      "--window-size=800,600", "--disable-gpu", "about:blank"};
        if (geteuid() == 0)
            args.insert(args.begin() + 1, "--no-sandbox");  // Chromium's sandbox refuses root
        chromium = spawn(args, ".", {}, "/dev/null", dir.path + "/chromium.err", {in[0], out[1]});
        close(in[0]), close(out[1]);
        to = in[1], from = out[0];
        target = json_string(call("Target.createTarget", "{\"url\":\"about:blank\"}"), "targetId");
        const std::string attached = call("Target.attachToTarget", "{\"targetId\":\"" + target + "\",\"flatten\":true}");
        session = json_string(attached, "sessionId");
        call("Runtime.enable");
        call("Page.enable");  // else the script below is not run in the pages that follow
        call("Page.addScriptToEvaluateOnNewDocument", "{\"source\":" + quoted(
             "(() => { let puts = 0; const put = CanvasRenderingContext2D.prototype.putImageData;"
             " CanvasRenderingContext2D.prototype.putImageData = function () {"
             "  if (!puts++) window.firstPut = performance.now(); return put.apply(this, arguments); };"
             " Object.defineProperty(window, 'canvasPuts', {get: () => puts}); })()") + "}");
        // The page's program wakes by its timers and animation frames: they are counted as they run.
        call("Page.addScriptToEvaluateOnNewDocument", "{\"source\":" + quoted(
             "(() => { let wakes = 0; const counted = f => typeof f === 'function' ? function () { ++wakes;"
             "  return f.apply(this, arguments); } : f; const timer = setTimeout, frame = requestAnimationFrame;"
             " window.setTimeout = (f, ...rest) => timer(counted(f), ...rest);"
             " window.requestAnimationFrame = f => frame(counted(f));"
             " Object.defineProperty(window, 'wakes', {get: () => wakes}); })()") + "}");
        // Pads as the page reads them: testPad(index, buttons pressed, axes) plugs one in or changes it, (index,
        // null) unplugs it.
        call("Page.addScriptToEvaluateOnNewDocument", "{\"source\":" + quoted(
             "(() => { const pads = []; navigator.getGamepads = () => pads.slice();"
             " window.testPad = (index, pressed, axes) => { const was = pads[index]; pads[index] = pressed && {index,"
             "  id: 'test pad', connected: true, mapping: 'standard', timestamp: performance.now(), axes,"
             "  buttons: [...Array(17).keys()].map(b => ({pressed: pressed.includes(b), value: +pressed.includes(b)}))};"
             "  if (!was != !pads[index]) dispatchEvent(Object.assign(new Event(was ? 'gamepaddisconnected' :"
             "   'gamepadconnected'), {gamepad: was || pads[index]})); }; })()") + "}");
        if (phone) {
            call("Emulation.setDeviceMetricsOverride",
                 R"({"width":390,"height":844,"deviceScaleFactor":3,"mobile":true})");
            call("Emulation.setTouchEmulationEnabled", R"({"enabled":true,"maxTouchPoints":5})");
        }
        started = steady::now();
        call("Page.navigate", "{\"url\":\"" + (game ? "http://127.0.0.1:" + std::to_string(port) + "/" : "about:blank") + "\"}");
        if (!offline) return;
        // Changed on the server once the browser has it in its own cache: the worker must keep what the server has.
        while (evaluate("document.readyState") != "complete") sleep_ms(10);
        write_bytes(page + "/index.html", read_bytes(page + "/index.html") + "\n");
        if (evaluate("navigator.serviceWorker.ready.then(() => 'kept')") != "kept")
            throw std::runtime_error("no service worker");
        if (const std::string stale = not_kept(); !stale.empty())
            throw std::runtime_error("the service worker does not keep, as the server has it: " + stale);
        // A new build uploaded: at the next visit its worker takes over, and keeps what the server has.
        const std::string cache = new_build();
        call("Page.reload");
        for (const steady::time_point at = steady::now(); ms_since(at) < 10000; sleep_ms(50))
            if (evaluate("caches.keys().then(k => k.filter(n => n.startsWith('pellmor-')).join())") == cache) break;
        if (const std::string stale = not_kept(); !stale.empty())
            throw std::runtime_error("a new build's worker does not keep, as the server has it: " + stale);
        stop(server), server = -1;
        call("Network.enable");
        call("Network.clearBrowserCache");
        call("Network.emulateNetworkConditions",
             R"({"offline":true,"latency":0,"downloadThroughput":-1,"uploadThroughput":-1})");
        started = steady::now();
        call("Page.reload");
        console.clear();
    }
    ~in_browser() override { close(to), close(from), stop(chromium), stop(server); }

    // The files of the page, "./" for index.html among them, that the worker's cache lacks or holds otherwise than
    // the server.
    std::string not_kept()
    {
        const std::string kept = evaluate(
            "(async () => { const kept = await caches.open((await caches.keys()).find(n => n.startsWith('pellmor-')));"
            " let all = ''; for (const r of await kept.keys()) { let h = 2166136261;"
            "  for (const b of new Uint8Array(await (await kept.match(r)).arrayBuffer())) h = Math.imul(h ^ b, 16777619);"
            "  all += `'${new URL(r.url).pathname.slice(1)}' ${h >>> 0}\\n`; } return all; })()");
        std::string wrong;
        for (const auto& file : fs::recursive_directory_iterator(page)) {
            const std::string name = file.path().lexically_relative(page).string(), hash = std::to_string(fnv1a(read_bytes(file.path())));
            for (const std::string& as : name == "index.html" ? std::vector<std::string>{name, ""} : std::vector<std::string>{name})
                if (file.is_regular_file() && name != "sw.js" && kept.find("'" + as + "' " + hash + "\n") == kept.npos)
                    wrong += (wrong.empty() ? "" : ", ") + (as.empty() ? "./" : as);
        }
        return wrong;
    }

    // A new build of the page into the folder served: the build's own files, its runtime a byte longer, laid out by
    // its page.cmake. Its worker's cache, by the name in its sw.js.
    std::string new_build()
    {
        const std::string build = std::getenv("PELLMOR_WEB_BUILD"), files = dir.path + "/new-build";
        fs::create_directory(files);
        for (const char* file : {"pellmor.js", "pellmor.wasm", "pellmor.data", "pellmor.trace"})
            fs::copy_file(build + "/" + file, files + "/" + file);
        write_bytes(files + "/pellmor.js", read_bytes(files + "/pellmor.js") + "\n");
        if (wait_for(spawn({CMAKE_COMMAND, "-DSETTINGS=" + build + "/page-settings.cmake", "-DBUILD=" + files,
                            "-DPAGE=" + page, "-DZIP=" + files + "/page.zip", "-P", PELLMOR_SOURCE_DIR "/web/page.cmake"}),
                     60000) != 0)
            throw std::runtime_error("cannot lay out a new build of the page");
        for (const auto& file : fs::recursive_directory_iterator(page))  // uploaded now
            fs::last_write_time(file.path(), fs::file_time_type::clock::now());
        const std::string worker = read_bytes(page + "/sw.js"), from = worker.substr(worker.find("'pellmor-") + 1);
        return from.substr(0, from.find('\''));
    }

    std::string read_message()
    {
        for (std::size_t end; (end = unread.find('\0')) == std::string::npos;) {
            pollfd p{from, POLLIN, 0};
            char chunk[1 << 16];
            const ssize_t n = poll(&p, 1, 30000) == 1 ? read(from, chunk, sizeof chunk) : -1;
            if (n <= 0)
                throw std::runtime_error("Chromium stopped answering: " + read_bytes(dir.path + "/chromium.err"));
            unread.append(chunk, static_cast<std::size_t>(n));
        }
        std::string message = unread.substr(0, unread.find('\0'));
        unread.erase(0, message.size() + 1);
        return message;
    }

    // A DevTools command, to the page's session once there is one unless it is the browser's; its reply. The
    // console's lines that come meanwhile are kept.
    std::string call(const std::string& method, const std::string& params = "{}", bool browsers = false)
    {
        const std::string id = std::to_string(next_id++), message = "{\"id\":" + id + ",\"method\":\"" + method +
            "\",\"params\":" + params + (session.empty() || browsers ? "" : ",\"sessionId\":\"" + session + "\"") + "}";
        if (write(to, message.c_str(), message.size() + 1) != static_cast<ssize_t>(message.size() + 1))
            throw std::runtime_error("cannot write to Chromium");
        for (;;) {
            const std::string reply = read_message();
            if (reply.rfind("{\"id\":" + id + ",", 0) == 0) return reply;
            if (reply.find("\"Runtime.consoleAPICalled\"") != reply.npos && reply.find("\"type\":\"log\"") != reply.npos)
                console += json_string(reply, "value") + "\n";
            if (reply.find("\"Network.requestWillBeSent\"") != reply.npos)
                requested[json_string(reply, "requestId")] = json_string(reply, "url");
            if (reply.find("\"Network.responseReceived\"") != reply.npos && reply.find("\"fromServiceWorker\":true") == reply.npos &&
                json_string(reply, "url").rfind("blob:", 0) != 0)  // what the page made itself
                not_from_the_worker += " " + json_string(reply, "url") + " from elsewhere";
            if (reply.find("\"Network.loadingFailed\"") != reply.npos)
                not_from_the_worker += " " + requested[json_string(reply, "requestId")] + " failed";
        }
    }

    // Each call also sends the repeats that keys held down are due, as a keyboard does: after half a second, 30 a
    // second.
    std::string evaluate(const std::string& expression)
    {
        for (auto& [name, next] : held)
            if (ms_since(next) >= 0) send_key(name, true, true), next = steady::now() + std::chrono::milliseconds(33);
        return json_string(call("Runtime.evaluate", "{\"expression\":" + quoted(expression) +
                                ",\"returnByValue\":true,\"awaitPromise\":true}"), "value");
    }
    void send_key(const std::string& name, bool down, bool repeat)
    {
        const game_key& k = *find_key(name);
        const std::string code = k.dom_code, key = code.rfind("Key", 0) == 0 ? std::string(k.name) : code;
        call("Input.dispatchKeyEvent", std::string("{\"type\":\"") + (down ? "keyDown" : "keyUp") + "\",\"key\":\"" + key +
             "\",\"code\":\"" + code + "\",\"windowsVirtualKeyCode\":" + std::to_string(k.dom_key_code) +
             ",\"autoRepeat\":" + (repeat ? "true" : "false") + "}");
    }
    // On a phone, a finger (of two a control may have) on the control of the key's direction (W A S D have the
    // arrows'), held as long; the other fingers down stay.
    void touch(const std::string& name, bool down, int finger = 0)
    {
        const game_key* k = find_key(name);
        const int code = k->name[1] ? k->dom_key_code : twin(*k).dom_key_code;  // a letter's twin is an arrow, or itself
        const int id = code + 1000 * finger;
        if (down)
            touches[id] = evaluate("(() => { const r = document.querySelector('#controls [data-key=\"" +
                                   std::to_string(code) + "\"]').getBoundingClientRect(); return JSON.stringify({x: r.x"
                                   " + r.width / 2 + " + std::to_string(9 * finger) + ", y: r.y + r.height / 2, id: " +
                                   std::to_string(id) + "}); })()");
        std::string points = down ? "" : touches[id];  // on a press every finger down, on a release the one lifted
        for (const auto& [c, point] : touches) points += down ? (points.empty() ? "" : ",") + point : "";
        if (!down) touches.erase(id);
        call("Input.dispatchTouchEvent",
             std::string("{\"type\":\"") + (down ? "touchStart" : "touchEnd") + "\",\"touchPoints\":[" + points + "]}");
    }
    // With a pad, the keyboard's key.
    bool second_hand(const std::string& name, bool down) override
    {
        if (phone) touch(name, down, 1);
        if (with_pad) keyboard(name, down);
        return phone || with_pad;
    }
    // Every finger down cancelled, as when the browser takes them over for a gesture; the pad unplugged.
    void lose_hold(const std::string&) override
    {
        if (with_pad) return pad_buttons.clear(), pad_x = pad_y = 0, (void)evaluate("testPad(0, null)");
        touches.clear();
        call("Input.dispatchTouchEvent", R"({"type":"touchCancel","touchPoints":[]})");
    }
    void keyboard(const std::string& name, bool down)
    {
        send_key(name, down, false);
        held.erase(name);
        if (down) held[name] = steady::now() + std::chrono::milliseconds(500);
    }
    // On a pad (the arrows its d-pad's buttons 12 to 15, W A S D its left stick, F its Start button), as the
    // browser shows it to the page when the page reads it; its Q is the keyboard's.
    void pad(const game_key& k, bool down)
    {
        const int button = k.name[1] ? 12 + (k.col_change ? 2 + (k.col_change > 0) : k.row_change > 0) : 9;
        const int by = down ? 1 : -1;
        if (!k.name[1] && (k.col_change || k.row_change)) pad_x += by * k.col_change, pad_y += by * k.row_change;
        else if (down) pad_buttons.insert(button);
        else pad_buttons.erase(button);
        std::string pressed;
        for (int b : pad_buttons) pressed += std::to_string(b) + ",";
        evaluate("testPad(0, [" + pressed + "], [" + std::to_string(pad_x) + ", " + std::to_string(pad_y) + "])");
    }
    void key(const std::string& name, bool down) override
    {
        if (phone) return touch(name, down);
        if (with_pad && name != "q") return pad(*find_key(name), down);
        keyboard(name, down);
    }

    // Black before the canvas has the game's pixels.
    screen_model shown(SDL_Rect area) override
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
    // The page's FreeType is Debian 12's on every release, and another version (Debian 13's) may set a glyph's edge
    // pixels otherwise than the one the expected text is drawn with. The board is the game's pixels.
    bool blends(SDL_Rect area) override { return area.y + area.h > score_band.y; }
    bool full_screen() override { return evaluate("String(!!document.fullscreenElement)") == "true"; }
    // As large as the window allows, its shape kept; on a phone with its six controls, each at least 44x44, on the
    // screen and off the board; without touch, none. Offline, every file of the page from the worker's cache.
    std::string misplaced() override
    {
        const std::string controls = phone ? "Up,Left,Right,Down,Full screen,Quit" : "";
        return evaluate("(() => { const r = document.getElementById('canvas').getBoundingClientRect();"
                        " const wrong = Math.abs(r.width - Math.min(innerWidth, innerHeight * 4 / 3)) < 1"
                        " && Math.abs(r.height * 4 / 3 - r.width) < 1 ? '' : `the canvas is ${r.width}x${r.height}`"
                        " + ` in ${innerWidth}x${innerHeight}`;"
                        " const shown = [...document.querySelectorAll('#controls button')].filter(b => {"
                        "  const c = b.getBoundingClientRect(); return c.width >= 44 && c.height >= 44 && c.left >= 0"
                        "   && c.top >= 0 && c.right <= innerWidth && c.bottom <= innerHeight"
                        "   && !(c.left < r.right && c.right > r.left && c.top < r.bottom && c.bottom > r.top); })"
                        "  .map(b => b.ariaLabel).join();"
                        " return wrong + (shown == '" + controls + "' ? '' : ` controls in place: ${shown}`); })()") +
               not_from_the_worker;
    }
    bool close_window() override { return false; }  // closing the tab ends the page, not the game
    bool fault(int) override { return false; }
    std::string trace() override { return evaluate("0"), console; }  // once what the page has logged is in
    // Ended when the page says so, with the status.
    int ended(int ms) override
    {
        for (const steady::time_point start = steady::now();; sleep_ms(20)) {
            const std::string status = evaluate("document.getElementById('status').textContent.includes('ended') ?"
                                                " document.body.dataset.ended : ''");
            if (!status.empty() || ms_since(start) >= ms) return status.empty() ? -1 : std::atoi(status.c_str());
        }
    }
    std::string notes() override { return "the console: " + console.substr(0, 300); }
    int presents() override { return std::atoi(evaluate("String(canvasPuts)").c_str()); }  // a string, as the others
    long wakes() override { return std::atol(evaluate("String(wakes)").c_str()); }
    std::vector<pid_t> processes() override  // Chromium's, all of them
    {
        std::vector<pid_t> all{chromium};
        std::error_code gone;
        for (std::size_t i = 0; i < all.size(); ++i)
            for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(all[i]) + "/task", gone)) {
                std::ifstream children(task.path() / "children");
                for (pid_t child; children >> child;) all.push_back(child);
            }
        return all;
    }
    // A value, or what a promise comes to, as a string.
    std::string in_page(const std::string& expression) override
    {
        return evaluate("Promise.resolve(" + expression + ").then(String)");
    }
    // Another tab in front, then this one again.
    bool hide_and_show(int way) override
    {
        if (way > 0) return false;
        const std::string other = json_string(call("Target.createTarget", "{\"url\":\"about:blank\"}", true), "targetId");
        call("Target.activateTarget", "{\"targetId\":\"" + other + "\"}", true), sleep_ms(300);
        call("Target.activateTarget", "{\"targetId\":\"" + target + "\"}", true);
        call("Target.closeTarget", "{\"targetId\":\"" + other + "\"}", true);
        return true;
    }
};

}  // namespace

std::unique_ptr<front_end> start_in_browser() { return std::make_unique<in_browser>(false, false); }
std::unique_ptr<front_end> start_on_phone() { return std::make_unique<in_browser>(true, false); }
std::unique_ptr<front_end> start_on_phone_offline() { return std::make_unique<in_browser>(true, true); }
std::unique_ptr<front_end> start_empty_browser() { return std::make_unique<in_browser>(false, false, false); }
std::unique_ptr<front_end> start_with_pad() { return std::make_unique<in_browser>(false, false, true, true); }
