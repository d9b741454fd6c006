// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

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
// - the game as a player meets it, by the player tests' front ends, where
//   the tests can start them: on a real display (Xvfb at 60 Hz with
//   openbox) as the launcher starts it, with PELLMOR_WINDOWS_BUILD set also
//   the Windows build there under Wine, with PELLMOR_WEB_BUILD set also the
//   page in Chromium: idle, the frames its display is handed a second, the
//   share of a core of the game and of its servers and how often the game
//   wakes, then how soon a step shows after its key; and what the page fetches before its first
//   frame and how soon that comes.
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
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "board.h"
#include "display.h"
#include "front_end.h"
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

// What a program started as the tests start theirs (from this process's environment as it was started, not as SDL
// has changed it since) writes on its standard output, or its error, once it has ended (ten minutes at most).
std::string output_of(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                      const std::string& dir = ".", const char* stream = "/out")
{
    temp_dir scratch;
    const pid_t child = spawn(argv, dir, env, scratch.path + "/out", scratch.path + "/err");
    wait_for(child, 600000);
    stop(child);
    return read_bytes(scratch.path + stream);
}

// A fresh process of this program in one of its start-up modes; its time.
double start_up_in_process(const std::string& self, const char* mode)
{
    return std::atof(output_of({self, mode}, {}, ".", "/err").c_str());
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
    output_of({PELLMOR_BINARY}, {"SDL_VIDEODRIVER=dummy", "PELLMOR_KEYS=*" + std::to_string(frames), "PELLMOR_LOG=" + log,
               "LD_PRELOAD=" KEYSCRIPT_LIBRARY}, PELLMOR_DATA_DIR);
    std::ifstream in(log);
    if (!in)
        std::printf("| (the game did not run) | | | | |\n");
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

#ifdef PELLMOR_FRONT_ENDS
// The CPU time that processes have used so far, in seconds, their threads' together.
double cpu_seconds(const std::vector<pid_t>& pids)
{
    double ticks = 0;
    for (const pid_t pid : pids) {
        std::string stat, field;
        std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
        std::istringstream after_name(stat.substr(stat.rfind(')') + 1));  // a name may hold blanks
        long user = 0, system = 0;
        for (int i = 3; i <= 13 && after_name >> field; ++i) {
        }
        after_name >> user >> system;
        ticks += user + system;
    }
    return ticks / sysconf(_SC_CLK_TCK);
}

struct idle_cost {
    double frames = -1, game = -1, others = -1, step_ms = -1;  // a second; % of a core; ms
    double wakes = -1, wakes_all = -1;                         // the game's and with the others', a second
};

// The game idle on its first frame for ten seconds, after three to settle: the frames that its display was handed
// a second, the share of a core of its own process and of the others that show it, and how often its process woke
// (its threads' context switches; the page's, all of Chromium's processes); then the median time from a key to the
// figure on screen, stepping right and back in turns, keys pressed at other times within a refresh. Without the game
// (an empty page), its cost.
idle_cost idle_on(front_end& f, bool game = true)
{
    idle_cost cost;
    if (game && !differs(f, round_start_screen(), whole_screen, 20000).empty())
        return cost;
    sleep_ms(3000);
    auto cpu = [&f](bool own) {
        const std::vector<pid_t> all = f.processes();
        return own ? cpu_seconds({all[0]}) : cpu_seconds({all.begin() + 1, all.end()});
    };
    auto wakes = [&f](bool own) {
        const std::vector<pid_t> all = f.processes();
        long switches = 0;
        for (std::size_t i = 0; i < (own ? 1 : all.size()); ++i)
            switches += context_switches(all[i]);
        return switches;
    };
    const double game_cpu = cpu(true), others_cpu = cpu(false);
    const int frames = f.presents();
    const long woken = wakes(true), all_woken = wakes(false);
    const auto begun = bench_clock::now();
    sleep_ms(10000);
    const double seconds = seconds_since(begun);
    cost.wakes = (wakes(true) - woken) / seconds, cost.wakes_all = (wakes(false) - all_woken) / seconds;
    cost.frames = (f.presents() - frames) / seconds;
    cost.game = (cpu(true) - game_cpu) / seconds * 100, cost.others = (cpu(false) - others_cpu) / seconds * 100;
    std::vector<double> steps;
    for (int i = 0; game && i < 8; ++i, sleep_ms(400 + 2 * i))  // at another time in a refresh each
        if (const double ms = step_latency(f, i % 2 ? "left" : "right", i % 2 ? 0 : 1); ms >= 0)
            steps.push_back(ms);
    if (!steps.empty())
        cost.step_ms = median(steps);
    return cost;
}

// Where the others are none of its own (the page's), all of the game's column counts.
void print_row(const std::string& how, const idle_cost& c)
{
    if (c.frames < 0)
        return (void)std::printf("| %s | (no first frame) | | | | | |\n", how.c_str());
    const std::string others = c.others < 0 ? "-" : std::to_string(c.others).substr(0, 3) + " %";
    std::printf("| %s | %.1f | %.1f %% | %.1f | %s | %.1f %% | %.0f ms |\n", how.c_str(), c.frames, c.game, c.wakes,
                others.c_str(), c.game + std::max(c.others, 0.0), c.step_ms);
}

// The time from the page's request to its first frame, the median of five visits, each in a fresh browser. Then what
// Lighthouse (tests/lighthouse.sh) makes of it: its figures, and what it saw the page fetch from Python's static file
// server, which compresses nothing, headers and all; and those files as a server that compresses every file would
// send them (gzip -9).
void page_weight(const std::string& folder)
{
    std::vector<double> first;
    for (int visit = 0; visit < 5; ++visit) {
        const std::unique_ptr<front_end> f = start_in_browser();
        if (!differs(*f, round_start_screen(), whole_screen, 20000).empty())
            return (void)std::printf("\n(The page showed no first frame.)\n");
        first.push_back(std::atof(f->in_page("firstPut").c_str()));
    }
    const std::string report = output_of({PELLMOR_SOURCE_DIR "/tests/lighthouse.sh", folder + "/pellmor-web.zip"});
    std::string fetched, table;  // of Lighthouse's last run
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("|", 0) == 0) table += line + "\n";
        if (const std::size_t at = line.find("fetched: "); at != std::string::npos) fetched = line.substr(at + 9);
    }
    std::string files;
    long plain = 0, compressed = 0;
    std::istringstream each(fetched);
    std::set<std::string> counted;
    for (std::string name, sent; std::getline(each >> std::ws, name, ' ') && std::getline(each, sent, ',');) {
        if (!counted.insert(name).second) continue;
        const long bytes = static_cast<long>(output_of({"gzip", "-9", "-c", folder + "/page/" + name}).size());
        plain += std::atol(sent.c_str()), compressed += bytes;
        files += (files.empty() ? "" : ", ") + name + " " + std::to_string((std::atol(sent.c_str()) + 512) / 1024) + " KB";
    }
    std::printf("\n| the page | measured |\n|---|---|\n| fetched from python3 -m http.server (Lighthouse's count) | %ld KB: "
                "%s |\n| the same from a server that gzips every file | %ld KB |\n| its first frame, from the page's "
                "request (median of 5) | %.0f ms |\n\n%s", (plain + 512) / 1024, files.c_str(), (compressed + 512) / 1024,
                median(first), table.c_str());
}

// The game as a player meets it, by the player tests' front ends: on a real display (Xvfb at 60 Hz with openbox) as
// the launcher starts it, the Windows build there under Wine, and the page in Chromium beside Chromium on an empty
// page.
void as_a_player_meets_it()
{
    const SDL_version* sdl = SDL_Linked_Version();
    std::printf("\n| idle, then a step | frames shown a second | the game's CPU | the game's wake-ups a second | its "
                "servers' CPU | all | a step shows after |\n|---|---|---|---|---|---|---|\n");
    print_row("SDL " + std::to_string(sdl->major) + "." + std::to_string(sdl->minor) + "." +
              std::to_string(sdl->patch) + " on Xvfb, as the launcher starts it", idle_on(*start_on_x()));
    if (windows_build)
        print_row("the Windows build under Wine (its servers: X's and Wine's)", idle_on(*start_under_wine()));
    if (const char* web = std::getenv("PELLMOR_WEB_BUILD")) {
        // Chromium polls pads at 60 a second for any page that listens for them, as the page must.
        const std::unique_ptr<front_end> blank = start_empty_browser();
        const idle_cost empty = idle_on(*blank, false);
        blank->in_page("addEventListener('gamepadconnected', () => {}), 0");
        const idle_cost listening = idle_on(*blank, false);
        idle_cost page = idle_on(*start_in_browser());
        auto percent = [](double share) { return std::to_string(share).substr(0, 3) + " %"; };
        const double empty_cpu = empty.game + empty.others;
        page.game += page.others - empty_cpu, page.others = -1, page.wakes = page.wakes_all - empty.wakes_all;
        print_row("the page in Chromium (the game: Chromium's processes, less " + percent(empty_cpu) + " and " +
                  std::to_string(static_cast<int>(empty.wakes_all + 0.5)) + " wake-ups a second on an empty page; of "
                  "the rest, " + percent(listening.game + listening.others - empty_cpu) + " Chromium's polling for pads)",
                  page);
        page_weight(web);
    }
}
#endif

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
#ifdef PELLMOR_FRONT_ENDS
    as_a_player_meets_it();
#endif
    return 0;
}
