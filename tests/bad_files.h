// Damaged and unusual data files, made by code: BMP pictures of any size,
// depth and header, and a generator of damaged copies of the data files,
// field by field.
#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <string>

// A Windows BMP of w x h pixels at bpp 1, 4, 8, 16, 24 or 32 bits: a pure
// red (transparent) frame around a blue field. header_size is 12 for the
// old OS/2 header, or 40, 108 or 124; 16-bit pixels have 5-6-5 colour masks.
// claimed_w and claimed_h, when not 0, replace the size written in the header.
std::string bmp(int w, int h, int bpp, int32_t claimed_w = 0, int32_t claimed_h = 0, int header_size = 40);

// Writes value into n bytes of bytes at at, little-endian unless big_endian.
void poke(std::string& bytes, size_t at, int n, uint32_t value, bool big_endian = false);

// One damaged copy of a data file: a field of a picture's header or of one
// of the font's tables set to an extreme or nearby value, or random bytes
// changed, cut or inserted.
struct damaged_file {
    std::string file;    // which of the data files
    std::string change;  // what was done to it
    std::string bytes;
};
damaged_file damage_at_random(std::mt19937& random, const std::map<std::string, std::string>& originals);

std::string read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);
