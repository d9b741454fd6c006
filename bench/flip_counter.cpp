// The benchmark's flip counter, preloaded into the real pellmor binary (on
// Windows, linked into a copy of it): every eighth flip it writes how many
// there have been to the file that PELLMOR_FLIPS names. The count is kept
// as it goes, as a game ended by a signal runs no destructor.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "test_double.h"

DECLARE_REAL(SDL_Flip);

extern "C" int TEST_DOUBLE(SDL_Flip)(SDL_Surface* screen)
{
    static long flips = 0;
    static const char* file = std::getenv("PELLMOR_FLIPS");
    if (file && ++flips % 8 == 0)
        if (std::FILE* out = std::fopen(file, "w"))
            std::fprintf(out, "%ld\n", flips), std::fclose(out);
    return REAL(SDL_Flip)(screen);
}
