#include "bad_files.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

void put(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xff);
}

}  // namespace

std::string bmp(int w, int h, int bpp, int32_t claimed_w, int32_t claimed_h)
{
    const int colours = bpp <= 8 ? 1 << bpp : 0;
    const int row_bytes = (w * bpp + 31) / 32 * 4;
    const uint32_t offset = 14 + 40 + 4 * colours;
    std::string out = "BM";
    put(out, offset + row_bytes * h, 4);
    put(out, 0, 4);
    put(out, offset, 4);
    put(out, 40, 4);
    put(out, static_cast<uint32_t>(claimed_w ? claimed_w : w), 4);
    put(out, static_cast<uint32_t>(claimed_h ? claimed_h : h), 4);
    put(out, 1, 2);
    put(out, bpp, 2);
    put(out, 0, 4);  // no compression
    put(out, row_bytes * h, 4);
    put(out, 2835, 4);
    put(out, 2835, 4);
    put(out, colours, 4);
    put(out, 0, 4);
    // Palette: index 0 red, index 1 blue, the rest grey.
    for (int i = 0; i < colours; ++i)
        put(out, i == 0 ? 0xff0000 : i == 1 ? 0x0000ff : 0x808080, 4);
    for (int y = h - 1; y >= 0; --y) {  // bottom-up
        std::string row(row_bytes, '\0');
        for (int x = 0; x < w; ++x) {
            const bool red = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            if (bpp <= 8) {
                const int index = red ? 0 : 1, bit = x * bpp;
                row[bit / 8] = static_cast<char>(row[bit / 8] | index << (8 - bpp - bit % 8));
            } else {
                const uint32_t bgr = red ? 0xff0000 : 0x0000ff;
                for (int b = 0; b < bpp / 8; ++b)
                    row[x * bpp / 8 + b] = static_cast<char>(b < 3 ? bgr >> (8 * b) & 0xff : 0);
            }
        }
        out += row;
    }
    return out;
}

std::string read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void write_bytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}
