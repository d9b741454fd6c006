// The real pellmor binary against damaged and unusual data files, made here
// by code. Every run must end in one of two ways: the file's start-up
// message and status 1, or normal play to the scripted quit. Never a signal,
// a hang (the harness kills a game after a minute) or a message about
// another file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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

// What a run shows, in a line: "stops" or "plays", or what went wrong.
std::string observed(const game_run& run, const std::string& file)
{
    const std::string message = message_for(file);
    if (run.status == 1 && run.out.rfind(message, 0) == 0 && run.out.find('\n') == run.out.size() - 1)
        return "stops";
    if (run.status == 0 && run.out.rfind(board_trace(), 0) == 0 && run.logged("frames ") == std::vector<std::string>{"frames 5"})
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
    {"claims 1000000x1000000", [](const std::string& p) { replace(p, bmp(50, 50, 24, 1000000, 1000000)); },
     outcome::stops},
    {"claims 30000x1", [](const std::string& p) { replace(p, bmp(50, 50, 32, 30000, 1)); }, outcome::stops},
    {"claims 50x16777266 (one flipped bit)", [](const std::string& p) { replace(p, bmp(50, 50, 24, 50, 16777266)); },
     outcome::stops},
    {"claims a negative width", [](const std::string& p) { replace(p, bmp(50, 50, 24, -50, 50)); }, outcome::stops},
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

// One random change to a file's bytes; says what it did.
std::string mutate(std::string& bytes, std::mt19937& random)
{
    auto below = [&](size_t n) { return n == 0 ? size_t{0} : static_cast<size_t>(random() % n); };
    // Most changes go to the first 128 bytes, where the headers and tables
    // that decide how the rest is read are.
    auto where = [&] { return below(random() % 4 ? std::min<size_t>(bytes.size(), 128) : bytes.size()); };
    switch (random() % 5) {
    case 0: {
        const size_t at = where();
        bytes[at] = static_cast<char>(bytes[at] ^ (1 << below(8)));
        return "bit flipped at " + std::to_string(at);
    }
    case 1: {
        const size_t at = where(), n = 1 + below(8);
        for (size_t i = at; i < at + n && i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(random());
        return std::to_string(n) + " random bytes at " + std::to_string(at);
    }
    case 2: {
        const size_t at = where();
        const char extremes[] = {'\0', '\x7f', '\x80', '\xff'};
        bytes[at] = extremes[below(4)];
        return "extreme byte at " + std::to_string(at);
    }
    case 3: {
        const size_t at = below(bytes.size());
        bytes.resize(at);
        return "cut at " + std::to_string(at);
    }
    default: {
        const size_t at = where(), n = 1 + below(64);
        bytes.insert(at, std::string(n, static_cast<char>(random())));
        return std::to_string(n) + " bytes inserted at " + std::to_string(at);
    }
    }
}

// Randomly changed copies of every data file, each run through start-up and
// a few frames, none taking more than a few seconds. The seed is fixed, so a
// failure replays with its number.
// PELLMOR_MUTATIONS sets how many (300 by default; 1000 or more for a full run).
TEST(BadData, MutatedFilesNeverCrashOrHang)
{
    const char* count_setting = std::getenv("PELLMOR_MUTATIONS");
    const int count = count_setting ? std::atoi(count_setting) : 300;
    std::mt19937 random(20261208);
    temp_dir dir;
    copy_data(dir.path);
    std::map<std::string, std::string> originals;
    for (const std::string& file : data_files)
        originals[file] = read_bytes(dir.path + "/" + file);
    int stopped = 0;
    for (int i = 0; i < count; ++i) {
        const std::string& file = data_files[random() % data_files.size()];
        std::string bytes = originals[file];
        const std::string change = mutate(bytes, random);
        write_bytes(dir.path + "/" + file, bytes);
        double ms = 0;
        const game_run run = timed_run(dir.path, ms);
        const std::string what = observed(run, file);
        stopped += what == "stops";
        EXPECT_TRUE(what == "stops" || what == "plays") << "mutation " << i << ", " << file << ": " << change << ": " << what;
        EXPECT_LT(ms, stall_ms) << "mutation " << i << ", " << file << ": " << change << ": a stall";
        write_bytes(dir.path + "/" + file, originals[file]);
    }
    std::printf("%d mutations: %d stopped start-up, %d played\n", count, stopped, count - stopped);
}

}  // namespace
