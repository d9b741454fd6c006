// The referee as a program, for tests that drive the game from a shell (the
// Windows build's, under Wine), with the C library that the game has:
//
//   referee_cli plan-win | plan-capture   a key script that wins / is caught
//   referee_cli out SCRIPT                what the game prints for SCRIPT
//   referee_cli delays SCRIPT             its pauses, as "delay MS" lines
//   referee_cli damage SEED COUNT         COUNT folders 1 ... COUNT beside the
//                                         data files in this folder, each with
//                                         them all and one of them damaged
//                                         (see bad_files.h); prints "N FILE:
//                                         what was done" for each
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <SDL.h>  // on Windows, main is entered through SDL's SDLmain

#include "bad_files.h"
#include "referee.h"

int main(int argc, char* argv[])
{
    const std::string what = argc > 1 ? argv[1] : "";
    if (argc == 2 && (what == "plan-win" || what == "plan-capture")) {
        std::fputs((what == "plan-win" ? plan_win() : plan_capture()).c_str(), stdout);
        return 0;
    }
    if (argc == 3 && (what == "out" || what == "delays")) {
        referee r;
        r.play_script(argv[2]);
        if (what == "out")
            std::fwrite(r.out.data(), 1, r.out.size(), stdout);
        for (unsigned ms : what == "delays" ? r.delays : std::vector<unsigned>{})
            std::printf("delay %u\n", ms);
        return 0;
    }
    if (argc == 4 && what == "damage") {
        const char* files[] = {"typ.bmp", "punkt.bmp", "bombe.bmp", "monster.bmp", "tod.bmp", "win.bmp",
                               "monstertod.bmp", "delusion.ttf"};
        std::map<std::string, std::string> originals;
        for (const char* file : files)
            originals[file] = read_bytes(file);
        std::mt19937 random(static_cast<std::mt19937::result_type>(std::stoul(argv[2])));
        for (int i = 1; i <= std::atoi(argv[3]); ++i) {
            const damaged_file d = damage_at_random(random, originals);
            const std::string folder = std::to_string(i);
            std::filesystem::create_directory(folder);
            for (const auto& [file, bytes] : originals)
                write_bytes(folder + "/" + file, file == d.file ? d.bytes : bytes);
            std::printf("%d %s: %s\n", i, d.file.c_str(), d.change.c_str());
        }
        return 0;
    }
    std::fputs("usage: referee_cli plan-win|plan-capture|out SCRIPT|delays SCRIPT|damage SEED COUNT\n", stderr);
    return 2;
}
