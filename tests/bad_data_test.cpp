// The real pellmor binary against damaged and unusual data files, made here
// by code. Every run must end in one of two ways: the file's start-up
// message and status 1, or normal play to the scripted quit. Never a signal,
// a hang (the harness kills a game after a minute) or a message about
// another file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>

#include "bad_files.h"
#include "harness.h"

namespace fs = std::filesystem;

namespace {

enum class outcome { stops, plays };

// A few steps and back, then Q: enough to draw, move and render the score.
const char* const steps = "right,down,left,up";

std::string message_for(const std::string& file)
{
    return file == "delusion.ttf" ? "Can't load font delusion.ttf. " : "Can't load typ of " + file + ". ";
}

// What a run shows, in a line: "stops" or "plays" (with the score line drawn
// in every frame), or what went wrong.
std::string observed(const game_run& run, const std::string& file)
{
    const std::string message = message_for(file);
    if (run.status == 1 && run.out.rfind(message, 0) == 0 && run.out.find('\n') == run.out.size() - 1)
        return "stops";
    if (run.status == 0 && run.out.rfind(board_trace(), 0) == 0 &&
        run.logged("frames ") == std::vector<std::string>{"frames 5"} && run.logged("text-failed ").empty())
        return "plays";
    return "status " + std::to_string(run.status) + ", printed '" + run.out.substr(0, 200) + "', stderr '" +
           run.err.substr(0, 200) + "'";
}

// A run of the steps, and how long it took; none may take more than a few
// seconds (a header that claims a huge picture once stalled start-up for 20 s).
game_run timed_run(const std::string& dir, double& ms, bool unprivileged = false)
{
    const auto start = std::chrono::steady_clock::now();
    game_run run = run_pellmor(dir, steps, "", unprivileged);
    ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return run;
}
constexpr double stall_ms = 5000;

struct damage {
    const char* name;
    std::function<void(const std::string& path)> apply;
    outcome expected;
    bool unprivileged = false;  // run as nobody, so that permissions count even for root
};

void replace(const std::string& path, const std::string& bytes) { write_bytes(path, bytes); }

void poke_file(const std::string& path, size_t at, int n, uint32_t value)
{
    std::string bytes = read_bytes(path);
    poke(bytes, at, n, value);
    write_bytes(path, bytes);
}

// Every file, each way a file can be damaged: start-up stops with its message.
const damage file_damages[] = {
    {"missing", [](const std::string& p) { fs::remove(p); }, outcome::stops},
    {"empty", [](const std::string& p) { replace(p, ""); }, outcome::stops},
    {"cut in its header", [](const std::string& p) { replace(p, read_bytes(p).substr(0, 20)); }, outcome::stops},
    {"cut in its data", [](const std::string& p) { const std::string b = read_bytes(p); replace(p, b.substr(0, b.size() / 2)); },
     outcome::stops},  // a font cut short opens, but draws its glyphs blank
    {"not of its format", [](const std::string& p) { replace(p, std::string(2000, 'x')); }, outcome::stops},
    {"a directory", [](const std::string& p) { fs::remove(p); fs::create_directory(p); }, outcome::stops},
    {"unreadable", [](const std::string& p) { chmod(p.c_str(), 0); }, outcome::stops, true},
};

// Pictures of every depth SDL reads, and of odd sizes, play: sprites are
// drawn clipped or small, a figure of another size keeps to the board. A
// header that claims more than the file holds stops start-up.
const damage picture_variants[] = {
    {"1 bit", [](const std::string& p) { replace(p, bmp(50, 50, 1)); }, outcome::plays},
    {"4 bits", [](const std::string& p) { replace(p, bmp(50, 50, 4)); }, outcome::plays},
    {"8 bits", [](const std::string& p) { replace(p, bmp(50, 50, 8)); }, outcome::plays},
    {"24 bits", [](const std::string& p) { replace(p, bmp(50, 50, 24)); }, outcome::plays},
    {"32 bits", [](const std::string& p) { replace(p, bmp(50, 50, 32)); }, outcome::plays},
    {"1x1", [](const std::string& p) { replace(p, bmp(1, 1, 24)); }, outcome::plays},
    {"40x40", [](const std::string& p) { replace(p, bmp(40, 40, 24)); }, outcome::plays},
    {"60x60", [](const std::string& p) { replace(p, bmp(60, 60, 24)); }, outcome::plays},
    {"800x600, more than the screen", [](const std::string& p) { replace(p, bmp(800, 600, 24)); }, outcome::plays},
    {"16 bits, 5-6-5", [](const std::string& p) { replace(p, bmp(50, 50, 16)); }, outcome::plays},
    {"the old OS/2 header", [](const std::string& p) { replace(p, bmp(50, 50, 8, 0, 0, 12)); }, outcome::plays},
    {"a V5 header", [](const std::string& p) { replace(p, bmp(50, 50, 32, 0, 0, 124)); }, outcome::plays},
    {"top down", [](const std::string& p) { replace(p, bmp(50, 50, 24, 50, -50)); }, outcome::plays},
    {"claims 1000000x1000000", [](const std::string& p) { replace(p, bmp(50, 50, 24, 1000000, 1000000)); },
     outcome::stops},
    {"claims 30000x1", [](const std::string& p) { replace(p, bmp(50, 50, 32, 30000, 1)); }, outcome::stops},
    {"claims 50x16777266 (one flipped bit)", [](const std::string& p) { replace(p, bmp(50, 50, 24, 50, 16777266)); },
     outcome::stops},
    {"claims a negative width", [](const std::string& p) { replace(p, bmp(50, 50, 24, -50, 50)); }, outcome::stops},
    {"claims 2048x2048, the most, and holds 50x50", [](const std::string& p) { replace(p, bmp(50, 50, 32, 2048, 2048)); },
     outcome::stops},
    {"claims 2049x1", [](const std::string& p) { replace(p, bmp(50, 50, 24, 2049, 1)); }, outcome::stops},
    // The classic SDL keeps the low byte, 8, and crashes drawing without colours.
    {"bit count 0x1008", [](const std::string& p) { replace(p, bmp(50, 50, 8)); poke_file(p, 28, 2, 0x1008); },
     outcome::stops},
    // SDL reads 32-bit sizes here, not the old header's 16-bit ones.
    {"header size 0x1000c", [](const std::string& p) { replace(p, bmp(50, 50, 24, 4096, 131072)); poke_file(p, 14, 4, 0x1000c); },
     outcome::stops},
    {"two planes", [](const std::string& p) { replace(p, bmp(50, 50, 24)); poke_file(p, 26, 2, 2); }, outcome::stops},
    {"RLE8", [](const std::string& p) { replace(p, bmp(50, 50, 8)); poke_file(p, 30, 4, 1); }, outcome::stops},
    {"300 colours at 8 bits", [](const std::string& p) { replace(p, bmp(50, 50, 8)); poke_file(p, 46, 4, 300); },
     outcome::stops},
    {"a 16-bit red mask of 9 bits", [](const std::string& p) { replace(p, bmp(50, 50, 16)); poke_file(p, 54, 4, 0xff80); },
     outcome::stops},
};

void check(const std::string& file, const damage& d)
{
    SCOPED_TRACE(file + " " + d.name);
    temp_dir dir;
    copy_data(dir.path);
    d.apply(dir.path + "/" + file);
    double ms = 0;
    const game_run run = timed_run(dir.path, ms, d.unprivileged);
    EXPECT_EQ(observed(run, file), d.expected == outcome::stops ? "stops" : "plays");
    EXPECT_LT(ms, stall_ms);
}

TEST(BadData, DamagedPicturesStopStartUpOddOnesPlay)
{
    for (const std::string& file : data_files) {
        if (file == "delusion.ttf")
            continue;
        for (const damage& d : file_damages)
            check(file, d);
        for (const damage& d : picture_variants)
            check(file, d);
    }
}

TEST(BadData, ADamagedFontStopsStartUp)
{
    for (const damage& d : file_damages)
        check("delusion.ttf", d);
}

// Damaged copies of every data file, field by field (see bad_files.h), each
// run through start-up and a few frames: each must stop with its message
// or play with its score drawn, in under five seconds and within 64 MB of
// what a normal start holds. The seed is fixed, so a failure replays with
// its number. PELLMOR_FUZZ sets how many (300 by default; 5000 or more for
// a full run).
TEST(BadData, DamagedFilesStopOrPlayNeverWorse)
{
    const char* count_setting = std::getenv("PELLMOR_FUZZ");
    const int count = count_setting ? std::atoi(count_setting) : 300;
    std::mt19937 random(20261208);
    temp_dir dir;
    copy_data(dir.path);
    std::map<std::string, std::string> originals;
    for (const std::string& file : data_files)
        originals[file] = read_bytes(dir.path + "/" + file);
    double ms = 0;
    const long normal_kb = timed_run(dir.path, ms).peak_kb();
    int stopped = 0;
    double worst_ms = 0;
    long worst_kb = 0;
    for (int i = 0; i < count; ++i) {
        const damaged_file d = damage_at_random(random, originals);
        write_bytes(dir.path + "/" + d.file, d.bytes);
        const game_run run = timed_run(dir.path, ms);
        const std::string what = observed(run, d.file);
        const std::string which = "run " + std::to_string(i) + ", " + d.file + ": " + d.change + ": ";
        stopped += what == "stops";
        worst_ms = std::max(worst_ms, ms);
        worst_kb = std::max(worst_kb, run.peak_kb() - normal_kb);
        EXPECT_TRUE(what == "stops" || what == "plays") << which << what;
        EXPECT_LT(ms, stall_ms) << which << "a stall";
        EXPECT_LT(run.peak_kb() - normal_kb, 64 * 1024) << which << run.peak_kb() << " kB, a normal start " << normal_kb;
        write_bytes(dir.path + "/" + d.file, originals[d.file]);
    }
    std::printf("%d damaged files: %d stopped start-up, %d played; the slowest run %.0f ms, the most memory %ld kB "
                "above a normal start\n", count, stopped, count - stopped, worst_ms, worst_kb);
}

}  // namespace
