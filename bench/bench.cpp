// How fast the game is, against bare programs that do only the SDL and
// SDL_ttf work that the game must do, on this machine, headless:
//
//   pellmor_bench [FRAMES_FOR_MEMORY]
//
// - idle frames per second of the game's frame loop, and of a bare loop on
//   the same surfaces (events, key state, the 51x51 fill, the figure's blit,
//   the flip, the score text rendered, its band filled, blitted and freed);
// - start-up time from the program's entry to its first flip, in fresh
//   processes, the game's against a bare start-up's (the same calls and
//   loads, the board's blits, the figure and the flip);
// - resident memory after start-up and after FRAMES_FOR_MEMORY idle frames
//   (1,000,000 by default) of the real binary under the key script;
// - on a real display (Xvfb at 60 Hz with openbox), when there is one to
//   start: the real binary idle, its flips a second and its share of a core
//   and the X server's, started as before and as the launcher starts it;
//   with PELLMOR_WINDOWS_BUILD set, also the Windows build under Wine.
//
// Not a test: it prints a table. Run it with `cmake --build build --target bench`.
#include <SDL.h>
#include <SDL_ttf.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "board.h"
#include "display.h"
#include "harness.h"
#include "shell.h"

namespace {

using bench_clock = std::chrono::steady_clock;

double seconds_since(bench_clock::time_point start)
{
    return std::chrono::duration<double>(bench_clock::now() - start).count();
}

// The game's start-up and first frame; the time to its first flip.
double game_start_up(board_state& board, board_rects& rects, score_style& style)
{
    const auto start = bench_clock::now();
    init_board(board);
    start_up(style, 17);
    draw_board(board, rects);
    run_frame(board, rects, style);  // its figure redraw flips first
    return seconds_since(start);
}

// What start-up must do, and no more: the same calls and loads.
double bare_start_up()
{
    const auto start = bench_clock::now();
    SDL_Init(SDL_INIT_VIDEO);
    TTF_Init();
    std::atexit(SDL_Quit);
    SDL_WM_SetCaption("Pellmor", "Pellmor");
    SDL_ShowCursor(SDL_DISABLE);
    SDL_Surface* display = SDL_SetVideoMode(640, 480, 16, SDL_HWSURFACE | SDL_DOUBLEBUF | SDL_FULLSCREEN);
    SDL_FillRect(display, nullptr, SDL_MapRGB(display->format, 128, 64, 0));
    SDL_Surface* pictures[7];
    const char* files[7] = {"typ.bmp", "punkt.bmp", "bombe.bmp", "monster.bmp", "tod.bmp", "win.bmp", "monstertod.bmp"};
    for (int i = 0; i < 7; ++i) {
        pictures[i] = SDL_LoadBMP(files[i]);
        if (i >= 1 && i <= 3)
            SDL_SetColorKey(pictures[i], SDL_SRCCOLORKEY, SDL_MapRGB(pictures[i]->format, 255, 0, 0));
    }
    TTF_OpenFont("delusion.ttf", 60);
    for (int cell = 0; cell < 77 + 3; ++cell) {  // points, bombs and monsters
        SDL_Rect at{Sint16(50 + cell % 11 * 50), Sint16(50 + cell / 11 % 7 * 50), 0, 0};
        SDL_BlitSurface(pictures[1 + cell % 3], nullptr, display, &at);
    }
    SDL_SetColorKey(pictures[0], SDL_SRCCOLORKEY, SDL_MapRGB(pictures[0]->format, 255, 0, 0));
    SDL_Rect erase{50, 50, 51, 51}, at{50, 50, 0, 0};
    SDL_FillRect(display, &erase, SDL_MapRGB(display->format, 128, 64, 0));
    SDL_BlitSurface(pictures[0], nullptr, display, &at);
    SDL_Flip(display);
    return seconds_since(start);
}

// One idle frame's SDL work, on the game's surfaces.
void bare_frame(TTF_Font* font)
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    SDL_GetKeyState(nullptr);
    SDL_Rect erase{50, 50, 51, 51}, at{50, 50, 0, 0};
    SDL_FillRect(screen, &erase, SDL_MapRGB(screen->format, 128, 64, 0));
    SDL_BlitSurface(typ, nullptr, screen, &at);
    SDL_Flip(screen);
    SDL_Surface* text = TTF_RenderText_Solid(font, "PUNKTE: 0 VON 17", SDL_Color{255, 255, 0, 0});
    SDL_Rect band{10, 412, 600, 400}, text_at{10, 412, 0, 0};
    SDL_FillRect(screen, &band, SDL_MapRGB(screen->format, 128, 64, 0));
    SDL_BlitSurface(text, nullptr, screen, &text_at);
    SDL_FreeSurface(text);
}

// The best of five timed runs of each, taken in turns so that both see the
// same machine.
void idle_frames()
{
    board_state board;
    board_rects rects{};
    score_style style;
    std::fflush(stdout);
    const int table = dup(STDOUT_FILENO);  // the board trace is not the table's
    const int nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, STDOUT_FILENO);
    game_start_up(board, rects, style);
    std::fflush(stdout);
    dup2(table, STDOUT_FILENO);
    close(nowhere);
    close(table);
    const int frames = 1000;
    double game_best = 0, bare_best = 0;
    for (int round = 0; round < 5; ++round) {
        auto start = bench_clock::now();
        for (int i = 0; i < frames; ++i)
            run_frame(board, rects, style);
        game_best = std::max(game_best, frames / seconds_since(start));
        start = bench_clock::now();
        for (int i = 0; i < frames; ++i)
            bare_frame(style.font);
        bare_best = std::max(bare_best, frames / seconds_since(start));
    }
    std::printf("| idle frames per second | %.0f | %.0f | %.3f | at least 0.95 |\n", game_best, bare_best,
                game_best / bare_best);
}

// A fresh process of this program in one of its start-up modes; its time.
double start_up_in_process(const std::string& self, const char* mode)
{
    const std::string command = "'" + self + "' " + mode + " 2>&1 >/dev/null";
    double seconds = 0;
    if (FILE* child = popen(command.c_str(), "r")) {
        if (std::fscanf(child, "%lf", &seconds) != 1)
            seconds = 0;
        pclose(child);
    }
    return seconds;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void start_up_times(const std::string& self)
{
    std::vector<double> game, bare;
    for (int i = 0; i < 21; ++i) {
        game.push_back(start_up_in_process(self, "start-up-game"));
        bare.push_back(start_up_in_process(self, "start-up-bare"));
    }
    std::printf("| start-up to the first flip (ms, median of 21) | %.2f | %.2f | %.3f | at most 1.10 |\n",
                median(game) * 1000, median(bare) * 1000, median(game) / median(bare));
}

// Resident memory of the real binary, idle under the key script.
void memory(long frames)
{
    const std::string log = (std::filesystem::temp_directory_path() / "pellmor-bench.log").string();
    std::filesystem::remove(log);
    const std::string command = "cd '" PELLMOR_DATA_DIR "' && SDL_VIDEODRIVER=dummy PELLMOR_KEYS='*" +
                                std::to_string(frames) + "' PELLMOR_LOG='" + log + "' LD_PRELOAD='" KEYSCRIPT_LIBRARY
                                "' '" PELLMOR_BINARY "' >/dev/null";
    if (std::system(command.c_str()) != 0)
        std::printf("| (the game did not run: %s) | | | | |\n", command.c_str());
    std::ifstream in(log);
    long start = 0, warm = 0, last = 0;
    for (std::string word; in >> word;) {
        long frame = 0, kb = 0;
        if (word != "rss" || !(in >> frame >> kb))
            continue;
        if (frame == 1)
            start = kb;
        else if (frame == 1000)
            warm = kb;
        if (frame == frames)
            last = kb;
    }
    std::printf("\n| resident memory (kB) | after start-up | after 1,000 frames | after %ld frames |\n"
                "|---|---|---|---|\n| the game, idle | %ld | %ld | %ld |\n", frames, start, warm, last);
    std::filesystem::remove(log);
}

// The CPU time a process has used so far, in seconds, its threads' together.
double cpu_seconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    for (int i = 1; i <= 13 && in >> field; ++i) {
    }
    long user = 0, system = 0;
    in >> user >> system;
    return double(user + system) / sysconf(_SC_CLK_TCK);
}

long flips_in(const std::string& file)
{
    long flips = 0;
    std::ifstream(file) >> flips;
    return flips;
}

// The game idle on the display for three seconds, after two to settle.
void idle_on(const std::string& display, pid_t server, const char* how, std::vector<std::string> game,
             std::vector<std::string> env)
{
    const std::string counted = (std::filesystem::temp_directory_path() / "pellmor-bench-flips").string();
    std::filesystem::remove(counted);
    env.insert(env.end(), {"DISPLAY=" + display, "SDL_VIDEODRIVER", "PELLMOR_FLIPS=" + counted});
    const pid_t pid = spawn(game, ".", env);
    sleep(2);
    const double game_cpu = cpu_seconds(pid), server_cpu = cpu_seconds(server);
    const long flips = flips_in(counted);
    const auto begun = bench_clock::now();
    sleep(3);
    const double seconds = seconds_since(begun);
    std::printf("| %s | %.0f | %.0f %% | %.0f %% |\n", how, (flips_in(counted) - flips) / seconds,
                (cpu_seconds(pid) - game_cpu) / seconds * 100, (cpu_seconds(server) - server_cpu) / seconds * 100);
    stop(pid);
}

void on_a_display()
{
    std::string display;
    const pid_t server = start_xvfb(display);
    if (server < 0) {
        std::printf("\n(No Xvfb to measure the game on a display with.)\n");
        return;
    }
    const pid_t manager = spawn({"openbox", "--sm-disable"}, ".", {"DISPLAY=" + display});
    sleep(1);
    const SDL_version* sdl = SDL_Linked_Version();
    std::printf("\n| idle on Xvfb, SDL %d.%d.%d | flips a second | the game's CPU | the X server's CPU |\n"
                "|---|---|---|---|\n", sdl->major, sdl->minor, sdl->patch);
    const std::string preload = "LD_PRELOAD=" FLIP_COUNTER;
    idle_on(display, server, "started bare", {PELLMOR_BINARY}, {preload, "SDL12COMPAT_SYNC_TO_VBLANK=0"});
    idle_on(display, server, "as the launcher starts it", {PELLMOR_BINARY}, {preload, "SDL12COMPAT_SYNC_TO_VBLANK=1"});
    if (const char* windows = std::getenv("PELLMOR_WINDOWS_BUILD")) {
        const std::string prefix = std::string("WINEPREFIX=") + windows + "/wine-prefix";
        idle_on(display, server, "the Windows build, under Wine", {"wine", std::string(windows) + "/tests/pellmor_counted.exe"},
                {prefix, "WINEDEBUG=-all"});
    }
    stop(manager), stop(server);
}

}  // namespace

int main(int argc, char* argv[])
{
    std::filesystem::current_path(PELLMOR_DATA_DIR);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "start-up-game" || mode == "start-up-bare") {
        board_state board;
        board_rects rects{};
        score_style style;
        const double seconds = mode == "start-up-game" ? game_start_up(board, rects, style) : bare_start_up();
        std::fprintf(stderr, "%.6f\n", seconds);
        return 0;
    }
    const long frames = argc > 1 ? std::atol(argv[1]) : 1000000;
    std::printf("| measure | game | bare | game / bare | target |\n|---|---|---|---|---|\n");
    idle_frames();
    start_up_times(std::filesystem::canonical("/proc/self/exe").string());
    memory(frames);
    on_a_display();
    return 0;
}
