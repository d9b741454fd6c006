// The referee as a program, for tests that drive the game from a shell (the
// Windows build's, under Wine), with the C library that the game has:
//
//   referee_cli plan-win | plan-capture   a key script that wins / is caught
//   referee_cli out SCRIPT                what the game prints for SCRIPT
//   referee_cli delays SCRIPT             its pauses, as "delay MS" lines
#include <cstdio>
#include <string>

#include <SDL.h>  // on Windows, main is entered through SDL's SDLmain

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
    std::fputs("usage: referee_cli plan-win|plan-capture|out SCRIPT|delays SCRIPT\n", stderr);
    return 2;
}
