// A test-only library preloaded into the real pellmor binary (on Windows,
// linked into a test copy of it; see test_double.h). It plays a key script
// into the frame loop, records what the game asks of SDL, and never sleeps.
//
// PELLMOR_KEYS   a key script (see key_script.h) with these tokens:
//                  up down left right w a s d q f   keys held in that frame
//                  close   a window close queued before the frame's event pump
//                  event   a Q key-down event queued, Q not held (to be ignored)
//                  snap    the screen saved when the frame reads its keys
//                An empty frame holds no key. After the script, Q is held.
//                A key held in a frame and not in the one before also
//                queues its key-down event before that frame's pump.
// PELLMOR_LOG    file that receives one line per recorded call:
//                  open FILE, colourkey FILE, free FILE   (the game's files)
//                  delay MS, fullscreen FRAME, sdl-quit
//                  display caption TITLE ICON, display cursor TOGGLE,
//                  display mode WxHxBPP FLAGS   (start-up's display calls)
//                  text TEXT   a score line rendered in a frame, when it
//                              differs from the one before
//                  text-failed TEXT   a score line that did not render
//                  rss FRAME KB   resident memory (Linux only) and
//                  surfaces FRAME N   surfaces that the game holds (pictures
//                              loaded and texts rendered, not yet freed),
//                              when frames 1, 10, 100 ... and the script's
//                              last frame read their keys
//                and at exit: peak KB (the most memory held, Linux only),
//                frames N (frames run), flips N (their flips),
//                texts N (score lines rendered in frames), texts-alive N
//                (rendered texts not freed, start-up's included).
// PELLMOR_SNAP   folder for the snapshots: frame-N.bmp, and delay-N.bmp for
//                every pause of a second or more (the outcome pictures).
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
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "key_script.h"
#include "test_double.h"

// The library's own functions, called from the doubles below.
DECLARE_REAL(SDL_PollEvent);
DECLARE_REAL(SDL_WM_ToggleFullScreen);
DECLARE_REAL(SDL_WM_SetCaption);
DECLARE_REAL(SDL_ShowCursor);
DECLARE_REAL(SDL_SetVideoMode);
DECLARE_REAL(SDL_RWFromFile);
DECLARE_REAL(SDL_LoadBMP_RW);
DECLARE_REAL(SDL_SetColorKey);
DECLARE_REAL(TTF_RenderText_Solid);
DECLARE_REAL(SDL_FreeSurface);
DECLARE_REAL(SDL_Quit);

namespace {

struct script_frame {
    std::vector<SDLKey> keys;
    bool close = false;
    bool event = false;
    bool snap = false;
    long repeat = 1;  // frames in a row that hold this
};

// Frames allowed after the script has ended with Q held, before we give up
// on a game that does not quit.
constexpr long grace_frames = 1000;

// Objects with constructors are made on first use and never destroyed: the
// script is read by a load-time constructor, and SDL_Quit runs at exit.
struct recorded_state {
    std::vector<script_frame> frames;  // runs of frames, as the script writes them
    long length = 0;                   // frames in all
    size_t cursor = 0;                 // the run of the frame asked for last,
    long cursor_start = 1;             // and the number of its first frame
    // Surfaces are kept by their disguised addresses, so that a leak checker
    // running the game still sees the ones that the game lost.
    std::map<uintptr_t, std::string> picture_names;
    std::string last_opened;
    std::set<uintptr_t> texts_alive;
    std::set<uintptr_t> surfaces_alive;
    std::string last_text;
};

recorded_state& state()
{
    static recorded_state* s = new recorded_state;
    return *s;
}

Uint8 key_state[SDLK_LAST];
long frames_read = 0;     // frames that have read the key state
long events_pushed = 0;   // frames whose events have been queued
long flips = 0;
long texts = 0;
int delays = 0;
FILE* log_file = nullptr;
const char* snap_dir = nullptr;
bool snapping = false;  // our own files are not the game's

[[noreturn]] void die(const std::string& why)
{
    std::fprintf(stderr, "keyscript: %s\n", why.c_str());
    std::_Exit(99);
}

__attribute__((format(printf, 1, 2))) void note(const char* format, ...)
{
    if (!log_file)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(log_file, format, args);
    va_end(args);
    std::fputc('\n', log_file);
    std::fflush(log_file);
}

// A plain array: the script is read by a constructor, which may run before
// the library's other static objects are built.
constexpr struct {
    const char* name;
    SDLKey key;
} key_names[] = {
    {"up", SDLK_UP}, {"down", SDLK_DOWN}, {"left", SDLK_LEFT}, {"right", SDLK_RIGHT},
    {"w", SDLK_w},   {"a", SDLK_a},       {"s", SDLK_s},       {"d", SDLK_d},
    {"q", SDLK_q},   {"f", SDLK_f},
};

bool add_key(script_frame& frame, const std::string& token)
{
    for (const auto& k : key_names) {
        if (token == k.name) {
            frame.keys.push_back(k.key);
            return true;
        }
    }
    return false;
}

script_frame parse_frame(const std::vector<std::string>& tokens)
{
    script_frame frame;
    for (const std::string& token : tokens) {
        if (token == "close")
            frame.close = true;
        else if (token == "event")
            frame.event = true;
        else if (token == "snap")
            frame.snap = true;
        else if (!add_key(frame, token))
            die("unknown token '" + token + "'");
    }
    return frame;
}

__attribute__((constructor)) void load_script()
{
    if (const char* script = std::getenv("PELLMOR_KEYS")) {
        for (const script_run& run : script_runs(script)) {
            state().frames.push_back(parse_frame(run.tokens));
            state().frames.back().repeat = run.repeat;
            state().length += run.repeat;
        }
    }
    if (const char* path = std::getenv("PELLMOR_LOG")) {
        log_file = std::fopen(path, "a");
        if (!log_file)
            die(std::string("cannot write ") + path);
    }
    snap_dir = std::getenv("PELLMOR_SNAP");
}

// Frame n of the script (from 1), or null after its end. Frames are asked
// for in order, so the search goes on from the run asked for last.
const script_frame* frame_number(long n)
{
    recorded_state& s = state();
    if (n < 1 || n > s.length)
        return nullptr;
    while (n >= s.cursor_start + s.frames[s.cursor].repeat) {
        s.cursor_start += s.frames[s.cursor].repeat;
        ++s.cursor;
    }
    return &s.frames[s.cursor];
}

bool is_power_of_ten(long n)
{
    while (n % 10 == 0)
        n /= 10;
    return n == 1;
}

#ifdef __linux__
// A file of /proc, read without the C library's buffered files, whose own
// allocations would move the heap that is being measured; empty if it can't be.
template <size_t size>
const char* read_proc(const char* path, char (&text)[size])
{
    const int fd = open(path, O_RDONLY);
    const ssize_t n = fd < 0 ? -1 : read(fd, text, size - 1);
    if (fd >= 0)
        close(fd);
    text[n > 0 ? n : 0] = '\0';
    return text;
}
#endif

void note_memory()
{
#ifdef __linux__
    char statm[128];
    const char* resident = std::strchr(read_proc("/proc/self/statm", statm), ' ');
    note("rss %ld %ld", frames_read, resident ? std::strtol(resident, nullptr, 10) * sysconf(_SC_PAGESIZE) / 1024 : 0);
#endif
    note("surfaces %ld %lu", frames_read, static_cast<unsigned long>(state().surfaces_alive.size()));
}

// The most the process has held resident since it was started (or exec'd).
void note_peak_memory()
{
#ifdef __linux__
    char status[4096];
    if (const char* peak = std::strstr(read_proc("/proc/self/status", status), "VmHWM:"))
        note("peak %ld", std::strtol(peak + 6, nullptr, 10));
#endif
}

__attribute__((destructor)) void write_totals()
{
    note_peak_memory();
    note("frames %ld", frames_read);
    note("flips %ld", flips);
    note("texts %ld", texts);
    note("texts-alive %lu", static_cast<unsigned long>(state().texts_alive.size()));
}

void snapshot(const char* kind, long number)
{
    SDL_Surface* display = SDL_GetVideoSurface();
    if (!snap_dir || !display)
        return;
    const std::string path = std::string(snap_dir) + "/" + kind + "-" + std::to_string(number) + ".bmp";
    snapping = true;
    if (SDL_SaveBMP(display, path.c_str()) != 0)
        die("cannot save " + path);
    snapping = false;
}

uintptr_t disguised(const SDL_Surface* surface) { return ~reinterpret_cast<uintptr_t>(surface); }

std::string name_of(const SDL_Surface* surface)
{
    const auto it = state().picture_names.find(disguised(surface));
    return it == state().picture_names.end() ? std::string() : it->second;
}

void push_key_down(SDLKey key)
{
    SDL_Event key_down{};
    key_down.type = SDL_KEYDOWN;
    key_down.key.state = SDL_PRESSED;
    key_down.key.keysym.sym = key;
    SDL_PushEvent(&key_down);
}

// Like a keyboard, a key that a frame holds and the frame before did not
// comes with its key-down event.
void push_key_downs(const script_frame* frame, const script_frame* before)
{
    for (SDLKey key : frame->keys)
        if (!before || std::find(before->keys.begin(), before->keys.end(), key) == before->keys.end())
            push_key_down(key);
}

}  // namespace

extern "C" {

Uint8* TEST_DOUBLE(SDL_GetKeyState)(int* numkeys)
{
    ++frames_read;
    // Also at frame 1, so that measuring's own first run is over by frame 1000.
    if (is_power_of_ten(frames_read) || frames_read == state().length)
        note_memory();
    std::memset(key_state, 0, sizeof key_state);
    if (const script_frame* frame = frame_number(frames_read)) {
        for (SDLKey key : frame->keys)
            key_state[key] = 1;
        if (frame->snap)
            snapshot("frame", frames_read);
    } else if (frames_read <= state().length + grace_frames) {
        key_state[SDLK_q] = 1;
    } else {
        die("the game did not quit with Q held");
    }
    if (numkeys)
        *numkeys = SDLK_LAST;
    return key_state;
}

// The events of a frame are queued just before its first poll, so that the
// game's own pump finds them in SDL's queue.
int TEST_DOUBLE(SDL_PollEvent)(SDL_Event* event)
{
    const long upcoming = frames_read + 1;
    if (events_pushed < upcoming) {
        events_pushed = upcoming;
        const script_frame* before = frame_number(frames_read);
        if (const script_frame* frame = frame_number(upcoming)) {
            push_key_downs(frame, before);
            if (frame->event)
                push_key_down(SDLK_q);  // a Q press, which only the key state may act on
            if (frame->close) {
                SDL_Event close{};
                close.type = SDL_QUIT;
                SDL_PushEvent(&close);
            }
        }
    }
    return REAL(SDL_PollEvent)(event);
}

void TEST_DOUBLE(SDL_Delay)(Uint32 ms)
{
    note("delay %u", static_cast<unsigned>(ms));
    if (ms >= 1000)
        snapshot("delay", ++delays);
}

// Counted, not made: the dummy display shows nothing, and sdl12-compat
// converts the whole screen at every flip. Snapshots read the screen itself.
int TEST_DOUBLE(SDL_Flip)(SDL_Surface*)
{
    // Only the frames' flips: the classic library flips inside SDL_SetVideoMode.
    if (frames_read > 0)
        ++flips;
    return 0;
}

int TEST_DOUBLE(SDL_WM_ToggleFullScreen)(SDL_Surface* surface)
{
    note("fullscreen %ld", frames_read);
    return REAL(SDL_WM_ToggleFullScreen)(surface);
}

void TEST_DOUBLE(SDL_WM_SetCaption)(const char* title, const char* icon)
{
    note("display caption %s %s", title, icon);
    REAL(SDL_WM_SetCaption)(title, icon);
}

int TEST_DOUBLE(SDL_ShowCursor)(int toggle)
{
    note("display cursor %d", toggle);
    return REAL(SDL_ShowCursor)(toggle);
}

SDL_Surface* TEST_DOUBLE(SDL_SetVideoMode)(int w, int h, int bpp, Uint32 flags)
{
    note("display mode %dx%dx%d %08x", w, h, bpp, static_cast<unsigned>(flags));
    return REAL(SDL_SetVideoMode)(w, h, bpp, flags);
}

SDL_RWops* TEST_DOUBLE(SDL_RWFromFile)(const char* file, const char* mode)
{
    if (!snapping) {
        note("open %s", file);
        state().last_opened = file;
    }
    return REAL(SDL_RWFromFile)(file, mode);
}

SDL_Surface* TEST_DOUBLE(SDL_LoadBMP_RW)(SDL_RWops* src, int freesrc)
{
    SDL_Surface* surface = REAL(SDL_LoadBMP_RW)(src, freesrc);
    if (surface) {
        state().picture_names[disguised(surface)] = state().last_opened;
        state().surfaces_alive.insert(disguised(surface));
    }
    return surface;
}

int TEST_DOUBLE(SDL_SetColorKey)(SDL_Surface* surface, Uint32 flag, Uint32 key)
{
    const std::string name = name_of(surface);
    if (!name.empty())
        note("colourkey %s", name.c_str());
    return REAL(SDL_SetColorKey)(surface, flag, key);
}

SDL_Surface* TEST_DOUBLE(TTF_RenderText_Solid)(TTF_Font* font, const char* text, SDL_Color colour)
{
    if (frames_read > 0) {  // start-up's own renders (the font's check) are not score lines
        ++texts;
        if (text != state().last_text) {
            note("text %s", text);
            state().last_text = text;
        }
    }
    SDL_Surface* surface = REAL(TTF_RenderText_Solid)(font, text, colour);
    if (!surface && frames_read > 0)
        note("text-failed %s", text);
    if (surface) {
        state().texts_alive.insert(disguised(surface));
        state().surfaces_alive.insert(disguised(surface));
    }
    return surface;
}

void TEST_DOUBLE(SDL_FreeSurface)(SDL_Surface* surface)
{
    state().texts_alive.erase(disguised(surface));
    state().surfaces_alive.erase(disguised(surface));
    const std::string name = name_of(surface);
    if (!name.empty()) {
        note("free %s", name.c_str());
        state().picture_names.erase(disguised(surface));
    }
    REAL(SDL_FreeSurface)(surface);
}

void TEST_DOUBLE(SDL_Quit)(void)
{
    note("sdl-quit");
    REAL(SDL_Quit)();
}

}  // extern "C"
