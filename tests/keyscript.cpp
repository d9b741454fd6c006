// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// A test-only library preloaded into the real pellmor binary (on Windows, linked into a test copy of it; see
// test_double.h). It plays a key script into the frame loop, records what the game asks of SDL, and never sleeps.
//
// PELLMOR_KEYS  a key script (see key_script.h): the keys of the key table held in that frame, and
//                 close  a window close queued before the frame's event pump
//                 event  a Q key-down event queued, Q not held (to be ignored)
//                 snap   the screen saved when the frame reads its keys
//               After the script, Q is held. A key held in a frame and not in the one before also queues its
//               key-down event.
// PELLMOR_LOG   file that receives a line per recorded call: open FILE, colourkey FILE, free FILE (the game's files);
//               delay MS, fullscreen FRAME, sdl-quit; display caption TITLE ICON, display cursor TOGGLE, display mode
//               WxHxBPP FLAGS (start-up's display calls); text TEXT, a frame's score line when it is another than
//               before, text-failed TEXT when it does not render; rss FRAME KB (Linux only) and surfaces FRAME N
//               (pictures loaded and texts rendered, not yet freed) when frames 1, 1000 and the script's last read
//               their keys; and at exit peak KB (the most held, Linux only), frames N, flips N, texts N (score lines
//               rendered in frames) and texts-alive N (rendered texts not freed, start-up's too).
// PELLMOR_SNAP  folder for the snapshots: frame-N.bmp, and delay-N.bmp for every pause of a second or more.
#include <SDL.h>
#include <SDL_ttf.h>
#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "key_script.h"
#include "test_double.h"

// The library's own functions, called from the doubles below.
DECLARE_REAL(SDL_PollEvent);
DECLARE_REAL(SDL_RWFromFile);
DECLARE_REAL(SDL_LoadBMP_RW);
DECLARE_REAL(SDL_SetColorKey);
DECLARE_REAL(TTF_RenderText_Solid);
DECLARE_REAL(SDL_FreeSurface);

namespace {

// Frames allowed after the script has ended with Q held, before we give up on a game that does not quit.
constexpr long grace_frames = 1000;

// Made on first use and never destroyed: the script is read by a load-time constructor, and SDL_Quit runs at exit.
// Surfaces are kept by their disguised addresses, so that a leak checker running the game still sees the ones that
// the game lost.
struct recorded_state {
    std::vector<script_run> runs;
    long length = 0;        // frames in all
    size_t cursor = 0;      // the run of the frame asked for last,
    long cursor_start = 1;  // and the number of its first frame
    std::map<uintptr_t, std::string> pictures;  // by the file they came from
    std::set<uintptr_t> texts;
    std::string last_opened, last_text;
};

recorded_state& state()
{
    static recorded_state* s = new recorded_state;  // never destroyed: SDL_Quit runs at exit
    return *s;
}

Uint8 key_state[SDLK_LAST];
long frames_read = 0;    // frames that have read the key state
long events_pushed = 0;  // frames whose events have been queued
long flips = 0, texts = 0, delays = 0;
FILE* log_file = nullptr;
const char* snap_dir = nullptr;
bool snapping = false;  // our own files are not the game's

[[noreturn]] void die(const std::string& why) { std::fprintf(stderr, "keyscript: %s\n", why.c_str()), std::_Exit(99); }

__attribute__((format(printf, 1, 2))) void note(const char* format, ...)
{
    if (!log_file) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(log_file, format, args);
    va_end(args);
    std::fputc('\n', log_file);  // the log is unbuffered: a game that crashes has said all it did
}

__attribute__((constructor)) void load_script()
{
    if (const char* script = std::getenv("PELLMOR_KEYS")) state().runs = script_runs(script);
    for (const script_run& run : state().runs) {
        state().length += run.repeat;
        for (const std::string& token : run.tokens)
            if (!find_key(token) && token != "close" && token != "event" && token != "snap")
                die("unknown token '" + token + "'");
    }
    if (const char* path = std::getenv("PELLMOR_LOG"); path && !(log_file = std::fopen(path, "a")))
        die(std::string("cannot write ") + path);
    if (log_file) std::setvbuf(log_file, nullptr, _IONBF, 0);
    snap_dir = std::getenv("PELLMOR_SNAP");
}

// Frame n of the script (from 1), or null after its end. Frames are asked for in order, so the search goes on from
// the run asked for last.
const script_run* frame_number(long n)
{
    recorded_state& s = state();
    if (n < 1 || n > s.length) return nullptr;
    for (; n >= s.cursor_start + s.runs[s.cursor].repeat; ++s.cursor) s.cursor_start += s.runs[s.cursor].repeat;
    return &s.runs[s.cursor];
}

#ifdef __linux__
// A number from a file of /proc, after what; read without the C library's buffered files, whose own allocations
// would move the heap being measured.
long from_proc(const char* path, const char* what)
{
    char text[4096];
    const int fd = open(path, O_RDONLY);
    const ssize_t n = fd < 0 ? -1 : read(fd, text, sizeof text - 1);
    if (fd >= 0) close(fd);
    text[n > 0 ? n : 0] = '\0';
    const char* at = std::strstr(text, what);
    return at ? std::strtol(at + std::strlen(what), nullptr, 10) : -1;
}
#endif

void note_memory()
{
    if (frames_read != 1 && frames_read != 1000 && frames_read != state().length) return;
#ifdef __linux__
    note("rss %ld %ld", frames_read, from_proc("/proc/self/statm", " ") * sysconf(_SC_PAGESIZE) / 1024);
#endif
    note("surfaces %ld %lu", frames_read, static_cast<unsigned long>(state().pictures.size() + state().texts.size()));
}

__attribute__((destructor)) void write_totals()
{
#ifdef __linux__
    note("peak %ld", from_proc("/proc/self/status", "VmHWM:"));  // the most held since the start
#endif
    const unsigned long texts_alive = state().texts.size();
    note("frames %ld\nflips %ld\ntexts %ld\ntexts-alive %lu", frames_read, flips, texts, texts_alive);
}

void snapshot(const char* kind, long number)
{
    SDL_Surface* display = SDL_GetVideoSurface();
    if (!snap_dir || !display) return;
    const std::string path = std::string(snap_dir) + "/" + kind + "-" + std::to_string(number) + ".bmp";
    snapping = true;
    if (SDL_SaveBMP(display, path.c_str()) != 0) die("cannot save " + path);
    snapping = false;
}

uintptr_t disguised(const SDL_Surface* surface) { return ~reinterpret_cast<uintptr_t>(surface); }

std::string name_of(const SDL_Surface* surface)
{
    const auto it = state().pictures.find(disguised(surface));
    return it == state().pictures.end() ? std::string() : it->second;
}

void push(Uint8 type, SDLKey key = SDLK_UNKNOWN)
{
    SDL_Event event{};
    event.type = type, event.key.state = SDL_PRESSED, event.key.keysym.sym = key;
    SDL_PushEvent(&event);
}

}  // namespace

extern "C" {

Uint8* TEST_DOUBLE(SDL_GetKeyState)(int* numkeys)
{
    ++frames_read;
    note_memory();  // also at frame 1, so that measuring's own first run is over by frame 1000
    std::memset(key_state, 0, sizeof key_state);
    if (const script_run* frame = frame_number(frames_read)) {
        for (const std::string& token : frame->tokens)
            if (const game_key* k = find_key(token)) key_state[k->sdl] = 1;
        if (holds(frame->tokens, "snap")) snapshot("frame", frames_read);
    } else if (frames_read <= state().length + grace_frames) {
        key_state[SDLK_q] = 1;
    } else {
        die("the game did not quit with Q held");
    }
    if (numkeys) *numkeys = SDLK_LAST;
    return key_state;
}

// The events of a frame are queued just before its first poll, so that the game's own pump finds them in SDL's
// queue. Like a keyboard, a key that a frame holds and the frame before did not comes with its key-down event.
int TEST_DOUBLE(SDL_PollEvent)(SDL_Event* event)
{
    if (events_pushed <= frames_read) {
        events_pushed = frames_read + 1;
        const script_run* before = frame_number(frames_read);
        const std::vector<std::string> held_before = before ? before->tokens : std::vector<std::string>{};
        if (const script_run* frame = frame_number(frames_read + 1)) {
            for (const std::string& token : frame->tokens)
                if (const game_key* k = find_key(token); k && !holds(held_before, token)) push(SDL_KEYDOWN, k->sdl);
            if (holds(frame->tokens, "event")) push(SDL_KEYDOWN, SDLK_q);  // a Q press, to be ignored
            if (holds(frame->tokens, "close")) push(SDL_QUIT);
        }
    }
    return REAL(SDL_PollEvent)(event);
}

void TEST_DOUBLE(SDL_Delay)(Uint32 ms)
{
    note("delay %u", static_cast<unsigned>(ms));
    if (ms >= 1000) snapshot("delay", ++delays);
}

// Counted, not made: the dummy display shows nothing, and sdl12-compat converts the whole screen at every flip.
// Snapshots read the screen itself. Only the frames' flips: the classic library flips inside SDL_SetVideoMode.
int TEST_DOUBLE(SDL_Flip)(SDL_Surface*)
{
    flips += frames_read > 0;
    return 0;
}

SDL_RWops* TEST_DOUBLE(SDL_RWFromFile)(const char* file, const char* mode)
{
    if (!snapping) note("open %s", (state().last_opened = file).c_str());
    return REAL(SDL_RWFromFile)(file, mode);
}

SDL_Surface* TEST_DOUBLE(SDL_LoadBMP_RW)(SDL_RWops* src, int freesrc)
{
    SDL_Surface* surface = REAL(SDL_LoadBMP_RW)(src, freesrc);
    if (surface) state().pictures[disguised(surface)] = state().last_opened;
    return surface;
}

int TEST_DOUBLE(SDL_SetColorKey)(SDL_Surface* surface, Uint32 flag, Uint32 key)
{
    if (const std::string name = name_of(surface); !name.empty()) note("colourkey %s", name.c_str());
    return REAL(SDL_SetColorKey)(surface, flag, key);
}

// Start-up's own renders (the font's check) are not score lines.
SDL_Surface* TEST_DOUBLE(TTF_RenderText_Solid)(TTF_Font* font, const char* text, SDL_Color colour)
{
    texts += frames_read > 0;
    if (frames_read > 0 && text != state().last_text) note("text %s", (state().last_text = text).c_str());
    SDL_Surface* surface = REAL(TTF_RenderText_Solid)(font, text, colour);
    if (!surface && frames_read > 0) note("text-failed %s", text);
    if (surface) state().texts.insert(disguised(surface));
    return surface;
}

void TEST_DOUBLE(SDL_FreeSurface)(SDL_Surface* surface)
{
    state().texts.erase(disguised(surface));
    if (const std::string name = name_of(surface); !name.empty())
        note("free %s", name.c_str()), state().pictures.erase(disguised(surface));
    REAL(SDL_FreeSurface)(surface);
}

}  // extern "C"

// Doubles that note their call, then make it.
#define NOTED(result, name, params, args, ...) \
    DECLARE_REAL(name);                        \
    extern "C" result TEST_DOUBLE(name) params \
    {                                          \
        note(__VA_ARGS__);                     \
        return REAL(name) args;                \
    }
NOTED(int, SDL_WM_ToggleFullScreen, (SDL_Surface * s), (s), "fullscreen %ld", frames_read)
NOTED(void, SDL_WM_SetCaption, (const char* title, const char* icon), (title, icon), "display caption %s %s", title, icon)
NOTED(int, SDL_ShowCursor, (int toggle), (toggle), "display cursor %d", toggle)
NOTED(SDL_Surface*, SDL_SetVideoMode, (int w, int h, int bpp, Uint32 flags), (w, h, bpp, flags),
      "display mode %dx%dx%d %08x", w, h, bpp, static_cast<unsigned>(flags))
NOTED(void, SDL_Quit, (void), (), "sdl-quit")
