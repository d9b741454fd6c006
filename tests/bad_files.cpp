#include "bad_files.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

void put(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xff);
}

// 0 for a field that lies outside the bytes.
uint32_t get(const std::string& bytes, size_t at, int n, bool big_endian = false)
{
    uint32_t value = 0;
    if (at > bytes.size() || bytes.size() - at < static_cast<size_t>(n))
        return 0;
    for (int i = 0; i < n; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << 8 * (big_endian ? n - 1 - i : i);
    return value;
}

size_t below(std::mt19937& random, size_t n) { return n == 0 ? 0 : random() % n; }

// An extreme or nearby value for a field of n bytes that holds v.
uint32_t odd_value(std::mt19937& random, uint32_t v, int n)
{
    const uint32_t values[] = {0, 1, 2, 3, 4, 12, 15, 16, 17, 32, 40, 64, 108, 124, 2048, 2049, 32767, 32768, 65535,
                               0x7fffffff, 0x80000000, 0xffffffff, v + 1, v - 1, v << 1, v >> 1, v << 4,
                               v | 0x1000, v | 0x4800, v | 0x10000, 0u - v, static_cast<uint32_t>(random())};
    const uint32_t value = values[below(random, std::size(values))];
    return n == 4 ? value : value & 0xffff;
}

struct field {
    const char* name;
    size_t at;
    int n;
};

// The pictures that a damaged one is made from: the game's own, and one of
// each depth and header that the game draws.
std::string picture_to_damage(std::mt19937& random, const std::string& original, std::string& base)
{
    const struct {
        const char* name;
        int bpp, header_size;
    } variants[] = {{"1-bit", 1, 40}, {"4-bit", 4, 40}, {"8-bit", 8, 40}, {"16-bit", 16, 40}, {"32-bit", 32, 40},
                    {"8-bit OS/2", 8, 12}, {"24-bit OS/2", 24, 12}, {"32-bit V5", 32, 124}, {"16-bit V4", 16, 108}};
    const size_t pick = below(random, std::size(variants) + 2);
    if (pick >= std::size(variants)) {
        base = "its own";
        return original;
    }
    base = variants[pick].name;
    return bmp(50, 50, variants[pick].bpp, 0, 0, variants[pick].header_size);
}

std::string damage_picture(std::mt19937& random, std::string& bytes)
{
    std::string base;
    bytes = picture_to_damage(random, bytes, base);
    const bool old_header = get(bytes, 14, 4) == 12;
    const std::vector<field> fields =
        old_header ? std::vector<field>{{"file size", 2, 4}, {"pixel offset", 10, 4}, {"header size", 14, 4},
                                        {"width", 18, 2}, {"height", 20, 2}, {"planes", 22, 2}, {"bit count", 24, 2}}
                   : std::vector<field>{{"file size", 2, 4}, {"pixel offset", 10, 4}, {"header size", 14, 4},
                                        {"width", 18, 4}, {"height", 22, 4}, {"planes", 26, 2}, {"bit count", 28, 2},
                                        {"compression", 30, 4}, {"image size", 34, 4}, {"colours", 46, 4},
                                        {"red mask", 54, 4}, {"green mask", 58, 4}, {"blue mask", 62, 4}};
    const field& f = fields[below(random, fields.size())];
    const uint32_t was = get(bytes, f.at, f.n), value = odd_value(random, was, f.n);
    poke(bytes, f.at, f.n, value);
    return base + " picture's " + f.name + " " + std::to_string(was) + " -> " + std::to_string(value);
}

// The font's tables by tag: where each starts.
std::map<std::string, size_t> font_tables(const std::string& font)
{
    std::map<std::string, size_t> tables;
    const uint32_t count = font.size() >= 12 ? get(font, 4, 2, true) : 0;
    for (uint32_t i = 0; i < count && 12 + 16 * i + 16 <= font.size(); ++i)
        tables[font.substr(12 + 16 * i, 4)] = get(font, 12 + 16 * i + 8, 4, true);
    return tables;
}

std::string damage_font(std::mt19937& random, std::string& bytes)
{
    const std::map<std::string, size_t> tables = font_tables(bytes);
    auto at = [&](const char* tag) { return tables.count(tag) ? tables.at(tag) : std::string::npos; };
    const size_t hmtx = at("hmtx"), kern = at("kern"), loca = at("loca"), glyf = at("glyf");
    const bool long_loca = at("head") != std::string::npos && get(bytes, at("head") + 50, 2, true) == 1;
    // A glyph among the first hundred, where the Latin letters and digits are.
    const size_t glyph = below(random, 100);
    const size_t glyph_at = glyf == std::string::npos || loca == std::string::npos ? std::string::npos
                            : glyf + (long_loca ? get(bytes, loca + 4 * glyph, 4, true) : 2 * get(bytes, loca + 2 * glyph, 2, true));
    const size_t pairs = kern == std::string::npos ? 0 : get(bytes, kern + 10, 2, true);
    const std::string of_glyph = " of glyph " + std::to_string(glyph);
    const struct {
        std::string name;
        size_t at;
        int n;
    } fields[] = {
        {"head unitsPerEm", at("head") + 18, 2},     {"head xMin", at("head") + 36, 2},
        {"head yMin", at("head") + 38, 2},           {"head xMax", at("head") + 40, 2},
        {"head yMax", at("head") + 42, 2},           {"head indexToLocFormat", at("head") + 50, 2},
        {"hhea ascender", at("hhea") + 4, 2},        {"hhea descender", at("hhea") + 6, 2},
        {"hhea lineGap", at("hhea") + 8, 2},         {"hhea advanceWidthMax", at("hhea") + 10, 2},
        {"hhea numberOfHMetrics", at("hhea") + 34, 2}, {"OS/2 xAvgCharWidth", at("OS/2") + 2, 2},
        {"OS/2 sTypoAscender", at("OS/2") + 68, 2},  {"OS/2 sTypoDescender", at("OS/2") + 70, 2},
        {"OS/2 sTypoLineGap", at("OS/2") + 72, 2},   {"OS/2 usWinAscent", at("OS/2") + 74, 2},
        {"OS/2 usWinDescent", at("OS/2") + 76, 2},   {"hmtx advance" + of_glyph, hmtx + 4 * glyph, 2},
        {"hmtx left bearing" + of_glyph, hmtx + 4 * glyph + 2, 2}, {"kern nPairs", kern + 10, 2},
        {"kern pair value", kern + 14 + 6 * below(random, pairs) + 4, 2},
        {"loca entry" + of_glyph, loca + (long_loca ? 4 : 2) * glyph, long_loca ? 4 : 2},
        {"glyf numberOfContours" + of_glyph, glyph_at, 2},      {"glyf xMin" + of_glyph, glyph_at + 2, 2},
        {"glyf yMax" + of_glyph, glyph_at + 8, 2},              {"glyf outline byte" + of_glyph, glyph_at + 10 + below(random, 40), 1},
    };
    const auto& f = fields[below(random, std::size(fields))];
    if (f.at == std::string::npos || f.at > bytes.size() || f.at + f.n > bytes.size())
        return "no " + f.name;
    const uint32_t was = get(bytes, f.at, f.n, true), value = odd_value(random, was, f.n) & (f.n == 1 ? 0xff : 0xffffffff);
    poke(bytes, f.at, f.n, value, true);
    return f.name + " " + std::to_string(was) + " -> " + std::to_string(value);
}

// Random bytes: most changes go to the first 128 bytes, where the headers and
// tables that decide how the rest is read are.
std::string damage_bytes(std::mt19937& random, std::string& bytes)
{
    auto where = [&] { return below(random, random() % 4 ? std::min<size_t>(bytes.size(), 128) : bytes.size()); };
    switch (random() % 5) {
    case 0: {
        const size_t at = where();
        bytes[at] = static_cast<char>(bytes[at] ^ (1 << below(random, 8)));
        return "bit flipped at " + std::to_string(at);
    }
    case 1: {
        const size_t at = where(), n = 1 + below(random, 8);
        for (size_t i = at; i < at + n && i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(random());
        return std::to_string(n) + " random bytes at " + std::to_string(at);
    }
    case 2: {
        const size_t at = where();
        const char extremes[] = {'\0', '\x7f', '\x80', '\xff'};
        bytes[at] = extremes[below(random, 4)];
        return "extreme byte at " + std::to_string(at);
    }
    case 3: {
        const size_t at = below(random, bytes.size());
        bytes.resize(at);
        return "cut at " + std::to_string(at);
    }
    default: {
        const size_t at = where(), n = 1 + below(random, 64);
        bytes.insert(at, std::string(n, static_cast<char>(random())));
        return std::to_string(n) + " bytes inserted at " + std::to_string(at);
    }
    }
}

}  // namespace

std::string bmp(int w, int h, int bpp, int32_t claimed_w, int32_t claimed_h, int header_size)
{
    const bool old_header = header_size == 12, masks = bpp == 16;
    const int colours = bpp <= 8 ? 1 << bpp : 0, colour_bytes = old_header ? 3 : 4;
    const int row_bytes = (w * bpp + 31) / 32 * 4;
    const uint32_t offset = 14 + header_size + (masks && header_size == 40 ? 12 : 0) + colour_bytes * colours;
    std::string out = "BM";
    put(out, offset + row_bytes * h, 4);
    put(out, 0, 4);
    put(out, offset, 4);
    put(out, header_size, 4);
    const int32_t width = claimed_w ? claimed_w : w, height = claimed_h ? claimed_h : h;
    put(out, static_cast<uint32_t>(width), old_header ? 2 : 4);
    put(out, static_cast<uint32_t>(height), old_header ? 2 : 4);
    put(out, 1, 2);
    put(out, bpp, 2);
    if (!old_header) {
        put(out, masks ? 3 : 0, 4);  // 5-6-5 colour masks, or no compression
        put(out, row_bytes * h, 4);
        put(out, 2835, 4);
        put(out, 2835, 4);
        put(out, colours, 4);
        put(out, 0, 4);
        if (masks) {
            put(out, 0xf800, 4);
            put(out, 0x07e0, 4);
            put(out, 0x001f, 4);
        }
        out.resize(14 + header_size + (masks && header_size == 40 ? 12 : 0), '\0');
    }
    // Palette: index 0 red, index 1 blue, the rest grey.
    for (int i = 0; i < colours; ++i)
        put(out, i == 0 ? 0xff0000 : i == 1 ? 0x0000ff : 0x808080, colour_bytes);
    for (int y = h - 1; y >= 0; --y) {  // bottom-up
        std::string row(row_bytes, '\0');
        for (int x = 0; x < w; ++x) {
            const bool red = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            if (bpp <= 8) {
                const int index = red ? 0 : 1, bit = x * bpp;
                row[bit / 8] = static_cast<char>(row[bit / 8] | index << (8 - bpp - bit % 8));
            } else {
                const uint32_t colour = bpp == 16 ? (red ? 0xf800 : 0x001f) : red ? 0xff0000 : 0x0000ff;
                for (int b = 0; b < bpp / 8; ++b)
                    row[x * bpp / 8 + b] = static_cast<char>(b < 3 ? colour >> (8 * b) & 0xff : 0);
            }
        }
        out += row;
    }
    return out;
}

void poke(std::string& bytes, size_t at, int n, uint32_t value, bool big_endian)
{
    for (int i = 0; i < n; ++i)
        bytes[at + i] = static_cast<char>(value >> 8 * (big_endian ? n - 1 - i : i) & 0xff);
}

damaged_file damage_at_random(std::mt19937& random, const std::map<std::string, std::string>& originals)
{
    auto file = originals.begin();
    const unsigned kind = random() % 10;
    if (kind < 3)
        file = originals.find("delusion.ttf");
    else
        std::advance(file, below(random, originals.size()));
    damaged_file d{file->first, "", file->second};
    if (kind >= 8)
        d.change = damage_bytes(random, d.bytes);
    else if (d.file == "delusion.ttf")
        d.change = damage_font(random, d.bytes);
    else
        d.change = damage_picture(random, d.bytes);
    return d;
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
