// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

#include "assets.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "rules.h"

namespace {

// Three times the screen across and down: room for any picture the game
// shows, and at most 16 MB for a surface of 32-bit pixels.
constexpr std::int64_t max_picture_side = 2048;

// What any BMP header holds up to its alpha mask.
constexpr std::size_t header_bytes_read = 14 + 56;

constexpr std::uint32_t uncompressed = 0;  // BI_RGB
constexpr std::uint32_t bit_fields = 3;    // BI_BITFIELDS: colour masks after the header

struct little_endian {
    const unsigned char* bytes;
    std::uint32_t u16(std::size_t at) const { return bytes[at] | bytes[at + 1] << 8; }
    std::uint32_t u32(std::size_t at) const { return u16(at) | u16(at + 2) << 16; }
    std::int32_t s32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
};

// The colour masks that both SDL libraries read alike: SDL 2 makes a surface
// only in a layout of its own, and refuses the others.
struct channel_masks {
    std::uint32_t bits, red, green, blue;
};
constexpr channel_masks known_masks[] = {
    {16, 0x7c00, 0x03e0, 0x001f},       {16, 0x001f, 0x03e0, 0x7c00},     {16, 0xf800, 0x07e0, 0x001f},
    {16, 0x001f, 0x07e0, 0xf800},       {32, 0xff0000, 0xff00, 0xff},     {32, 0xff, 0xff00, 0xff0000},
    {32, 0xff000000, 0xff0000, 0xff00}, {32, 0xff00, 0xff0000, 0xff000000},
};

bool masks_known(std::uint32_t bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    for (const channel_masks& m : known_masks)
        if (m.bits == bits && m.red == red && m.green == green && m.blue == blue)
            return true;
    return false;
}

template <typename... Values>
std::string said(const char* format, Values... values)
{
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// No glyph of an ordinary font at 60 points comes near the screen's height,
// and no score line near four screens' width. A line wider than the band
// below the board is clipped there.
constexpr long long max_glyph_side = 480;
constexpr long long max_line_width = 4 * 640;

bool refuse(const std::string& why)
{
    SDL_SetError("%s", why.c_str());
    return false;
}

bool inked(SDL_Surface* text)
{
    for (int y = 0; y < text->h; ++y)
        for (int x = 0; x < text->w; ++x)
            if (static_cast<const Uint8*>(text->pixels)[y * text->pitch + x] != text->format->colorkey)
                return true;
    return false;
}

// Whether the text renders with ink; null text says why.
bool renders_with_ink(TTF_Font* font, const std::string& text, SDL_Color colour, const std::string& what)
{
    SDL_Surface* surface = TTF_RenderText_Solid(font, text.c_str(), colour);
    if (surface == nullptr)
        return false;  // SDL_ttf has said why
    const bool ink = inked(surface);
    SDL_FreeSurface(surface);
    return ink || refuse(what + " is blank");
}

// A BMP header's fields as SDL reads them: the 32-bit header size, the
// old 16-bit sizes only when it is 12.
struct bmp_header {
    std::uint32_t pixels_at, header_size;
    std::int32_t width, height;
    std::uint32_t planes, bits, compression, colours;
};

bmp_header read_header(const little_endian& h)
{
    if (h.u32(14) == 12)
        return {h.u32(10), 12, static_cast<std::int32_t>(h.u16(18)), static_cast<std::int32_t>(h.u16(20)),
                h.u16(22), h.u16(24), uncompressed, 0};
    return {h.u32(10), h.u32(14), h.s32(18), h.s32(22), h.u16(26), h.u16(28), h.u32(30), h.u32(46)};
}

std::int64_t rows_of(const bmp_header& p) { return p.height < 0 ? -std::int64_t{p.height} : p.height; }

// SDL makes and clears the surface that a header asks for before it reads a
// single pixel, and the two SDL libraries read a damaged header each in its
// own way: the classic 1.2.15 keeps only the low byte of a bit count such as
// 0x1008 and makes an 8-bit surface without colours, on which its blits
// crash. So only what both read and draw alike gets through.
// Why a picture that begins with these bytes must not be handed to SDL, or
// nothing when it may be.
std::string picture_header_fault(const unsigned char* header, std::size_t size)
{
    const little_endian h{header};
    if (size < 2 || header[0] != 'B' || header[1] != 'M')
        return "It is not a BMP picture";
    if (size < 18)
        return "Its header is cut short";
    const std::uint32_t header_size = h.u32(14);
    if (header_size != 12 && header_size != 40 && header_size != 52 && header_size != 56 && header_size != 108 &&
        header_size != 124)
        return said("Its header is %u bytes long, of no kind that every SDL reads", header_size);
    if (size < 14 + (header_size < 56 ? header_size : 56))
        return "Its header is cut short";
    const bmp_header p = read_header(h);

    if (p.planes != 1)
        return said("It has %u planes, not one", p.planes);
    if (p.bits != 1 && p.bits != 4 && p.bits != 8 && p.bits != 16 && p.bits != 24 && p.bits != 32)
        return said("It has %u bits per pixel, not 1, 4, 8, 16, 24 or 32", p.bits);
    // The classic library reads the colours right after the first 40 bytes
    // of a longer header, SDL 2 after the whole header.
    if (p.bits <= 8 && p.header_size > 40)
        return said("Its colours follow a header of %u bytes, where not every SDL looks for them", p.header_size);
    if (p.compression == bit_fields) {
        if (p.bits != 16 && p.bits != 32)
            return said("It has colour masks for %u bits per pixel, not for 16 or 32", p.bits);
        if (size < 14 + 40 + 12)
            return "Its colour masks are cut short";
        const std::uint32_t red = h.u32(54), green = h.u32(58), blue = h.u32(62);
        if (!masks_known(p.bits, red, green, blue))
            return said("Its colour masks %08x %08x %08x are of no layout that every SDL reads", red, green, blue);
        // SDL 2 reads an alpha mask from a header of 56 bytes or more; the
        // classic library draws such a picture opaque.
        if (p.header_size >= 56 && h.u32(66) != 0)
            return said("It has an alpha mask (%08x), which not every SDL reads", h.u32(66));
    } else if (p.compression != uncompressed) {
        return said("It is compressed (method %u), which not every SDL reads", p.compression);
    } else if ((p.bits == 16 || p.bits == 32) && p.pixels_at != 14 + p.header_size) {
        // The classic library then reads three colour masks from the gap.
        return said("Its pixels start at byte %u, not right after its header at %u", p.pixels_at,
                    14 + p.header_size);
    }
    if (p.bits <= 8 && p.colours > 1u << p.bits)
        return said("It claims %u colours, more than %u bits can tell apart", p.colours, p.bits);
    if (p.width < 1 || p.width > max_picture_side || rows_of(p) < 1 || rows_of(p) > max_picture_side)
        return said("It claims %dx%d pixels; a picture is 1 to %d across and down", static_cast<int>(p.width),
                    static_cast<int>(p.height), static_cast<int>(max_picture_side));
    // SDL 2 reads the fourth byte of such pixels as alpha, and newer
    // sdl12-compat then blends the picture and leaves its colour key out:
    // its red shows. The classic library keys it.
    if (p.bits == 32 && p.compression == uncompressed)
        return "Its 32-bit pixels come without colour masks, and one SDL reads their fourth byte as alpha";
    return {};
}

}  // namespace

bool picture_may_load(const char* file)
{
    unsigned char header[header_bytes_read];
    std::FILE* in = std::fopen(file, "rb");
    if (in == nullptr)
        return true;
    const std::size_t got = std::fread(header, 1, sizeof header, in);
    const std::string fault = picture_header_fault(header, got);
    std::fclose(in);
    return fault.empty() || refuse(fault);
}

// The metrics first: they are read without drawing, so a font that claims
// huge glyphs or lines is refused before it can take time or memory. Then
// each character, which a font file cut short draws blank, and the widest
// line.
bool font_draws_score_lines(TTF_Font* font, SDL_Color colour, int total_points)
{
    for (const char* c = "PUNKTE:VON0123456789 "; *c; ++c) {
        int min_x, max_x, min_y, max_y, advance;
        if (TTF_GlyphMetrics(font, static_cast<Uint8>(*c), &min_x, &max_x, &min_y, &max_y, &advance) != 0)
            return false;
        const long long w = static_cast<long long>(max_x) - min_x, h = static_cast<long long>(max_y) - min_y;
        if (w > max_glyph_side || h > max_glyph_side || advance > max_glyph_side || advance < 0)
            return refuse(said("Its '%c' is %lldx%lld pixels and advances %d, more than the screen", *c, w, h,
                               advance));
    }
    std::string widest;
    for (int score = 0, widest_w = -1; score <= total_points; ++score) {
        int w = 0, h = 0;
        const std::string text = score_text(score, total_points);
        if (TTF_SizeText(font, text.c_str(), &w, &h) != 0)
            return false;
        if (h < 1)  // SDL could not make the text's surface
            return refuse(said("Its lines would be %d pixels high: its ascender is below its descender", h));
        if (w > max_line_width || h > max_glyph_side)
            return refuse(said("'%s' would be %dx%d pixels, more than %lldx%lld", text.c_str(), w, h, max_line_width,
                               max_glyph_side));
        if (w > widest_w)
            widest = text, widest_w = w;
    }
    for (const char* c = "PUNKTE:VON0123456789"; *c; ++c)
        if (!renders_with_ink(font, std::string(1, *c), colour, std::string("Its '") + *c + "'"))
            return false;
    return renders_with_ink(font, widest, colour, "'" + widest + "'");
}
