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

// What any BMP header holds up to its colour masks.
constexpr std::size_t header_bytes_read = 14 + 40 + 12;

constexpr std::uint32_t uncompressed = 0;  // BI_RGB
constexpr std::uint32_t bit_fields = 3;    // BI_BITFIELDS: colour masks after the header

struct little_endian {
    const unsigned char* bytes;
    std::uint32_t u16(std::size_t at) const { return bytes[at] | bytes[at + 1] << 8; }
    std::uint32_t u32(std::size_t at) const { return u16(at) | u16(at + 2) << 16; }
    std::int32_t s32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
};

// A channel's mask: one run of 1 to 8 bits, which every SDL can shift into
// a byte.
bool is_channel_mask(std::uint32_t mask)
{
    if (mask == 0)
        return false;
    int shift = 0, bits = 0;
    while (!(mask >> shift & 1))
        ++shift;
    while (shift + bits < 32 && mask >> (shift + bits) & 1)
        ++bits;
    return bits <= 8 && (shift + bits == 32 || mask >> (shift + bits) == 0);
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

// SDL makes and clears the surface that a header asks for before it reads a
// single pixel, and the two SDL libraries read a damaged header each in its
// own way: the classic 1.2.15 keeps only the low byte of a bit count such as
// 0x1008 and makes an 8-bit surface without colours, on which its blits
// crash. So only what both read and draw alike gets through, read as they
// read it: the 32-bit header size, the old 16-bit sizes only when it is 12.
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
    const bool old_header = header_size == 12;
    if (!old_header && header_size != 40 && header_size != 52 && header_size != 56 && header_size != 108 &&
        header_size != 124)
        return said("Its header is %u bytes long, of no kind that every SDL reads", header_size);
    if (size < 14 + (old_header ? 12u : 40u))
        return "Its header is cut short";

    const std::int32_t width = old_header ? static_cast<std::int32_t>(h.u16(18)) : h.s32(18);
    const std::int32_t height = old_header ? static_cast<std::int32_t>(h.u16(20)) : h.s32(22);
    const std::uint32_t planes = h.u16(old_header ? 22 : 26);
    const std::uint32_t bits = h.u16(old_header ? 24 : 28);
    const std::uint32_t compression = old_header ? uncompressed : h.u32(30);
    const std::uint32_t colours = old_header ? 0 : h.u32(46);

    if (planes != 1)
        return said("It has %u planes, not one", planes);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return said("It has %u bits per pixel, not 1, 4, 8, 16, 24 or 32", bits);
    if (compression == bit_fields) {
        if (bits != 16 && bits != 32)
            return said("It has colour masks for %u bits per pixel, not for 16 or 32", bits);
        if (size < header_bytes_read)
            return "Its colour masks are cut short";
        const std::uint32_t red = h.u32(54), green = h.u32(58), blue = h.u32(62);
        if (!is_channel_mask(red) || !is_channel_mask(green) || !is_channel_mask(blue) || (red & green) ||
            (red & blue) || (green & blue) || (bits == 16 && (red | green | blue) > 0xffff))
            return said("Its colour masks %08x %08x %08x are not three runs of 1 to 8 bits apart", red, green, blue);
    } else if (compression != uncompressed) {
        return said("It is compressed (method %u), which not every SDL reads", compression);
    }
    if (bits <= 8 && colours > 1u << bits)
        return said("It claims %u colours, more than %u bits can tell apart", colours, bits);
    const std::int64_t down = height < 0 ? -std::int64_t{height} : height;
    if (width < 1 || width > max_picture_side || down < 1 || down > max_picture_side)
        return said("It claims %dx%d pixels; a picture is 1 to %d across and down", static_cast<int>(width),
                    static_cast<int>(height), static_cast<int>(max_picture_side));
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
    std::fclose(in);
    const std::string fault = picture_header_fault(header, got);
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
