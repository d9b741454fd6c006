// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// Converts a BMP (such as a snapshot of the game's screen) to PNG for the
// README: bmp_to_png IN.bmp OUT.png [SCALE]
#include <SDL.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char* argv[])
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s IN.bmp OUT.png [SCALE]\n", argv[0]);
        return 2;
    }
    const int scale = argc == 4 ? std::atoi(argv[3]) : 1;
    SDL_Surface* loaded = SDL_LoadBMP(argv[1]);
    if (!loaded || scale < 1) {
        std::fprintf(stderr, "bmp_to_png: cannot load %s: %s\n", argv[1], SDL_GetError());
        return 1;
    }
    const int w = loaded->w * scale, h = loaded->h * scale;
    std::vector<png_byte> pixels(static_cast<size_t>(w) * h * 3);
    SDL_LockSurface(loaded);
    const int bpp = loaded->format->BytesPerPixel;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Uint8* p = static_cast<const Uint8*>(loaded->pixels) + (y / scale) * loaded->pitch + (x / scale) * bpp;
            Uint32 v = 0;
            for (int i = 0; i < bpp; ++i)
                v |= static_cast<Uint32>(p[i]) << (8 * i);
            png_byte* out = &pixels[(static_cast<size_t>(y) * w + x) * 3];
            SDL_GetRGB(v, loaded->format, &out[0], &out[1], &out[2]);
        }
    }
    SDL_UnlockSurface(loaded);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, argv[2], 0, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "bmp_to_png: cannot write %s: %s\n", argv[2], image.message);
        return 1;
    }
    return 0;
}
