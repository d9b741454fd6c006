// Damaged and unusual data files, made by code: BMP pictures of any size and
// depth, and the ways a file can go wrong.
#pragma once

#include <cstdint>
#include <string>

// A Windows BMP (BITMAPINFOHEADER, uncompressed) of w x h pixels at bpp 1,
// 4, 8, 24 or 32 bits: a pure red (transparent) frame around a blue field.
// claimed_w and claimed_h, when not 0, replace the size written in the header.
std::string bmp(int w, int h, int bpp, int32_t claimed_w = 0, int32_t claimed_h = 0);

std::string read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);
