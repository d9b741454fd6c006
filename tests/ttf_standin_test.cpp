// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// The Windows build's SDL_ttf stand-in (windows/ttf) against the real SDL_ttf that this test links: the same text,
// font and size must measure the same and give a surface of the same size, format, colours and pixels. The stand-in
// is loaded as a module, linked -Bsymbolic so that it calls its own functions, beside the real library.
#include <gtest/gtest.h>

#include <SDL_ttf.h>
#include <dlfcn.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <string>

namespace {

// The real SDL_ttf, which this test links, or the stand-in; and a function of one by the name of SDL_ttf's.
void* const real_ttf = nullptr;
void* standin_ttf()
{
    static void* module = dlopen(STANDIN_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (!module) throw std::runtime_error(std::string("the stand-in: ") + dlerror());
    return module;
}
#define TTF(library, name) (library ? reinterpret_cast<decltype(&name)>(dlsym(library, #name)) : &name)

// The text's size and each character's box and advance, as the library measures them without drawing; and the text
// drawn.
std::string measures(void* ttf, const char* text, int size, SDL_Surface** drawn = nullptr, const char* file = FONT_FILE)
{
    TTF_Font* font = TTF(ttf, TTF_Init)() == 0 ? TTF(ttf, TTF_OpenFont)(file, size) : nullptr;
    if (!font) return "no font";
    int w = 0, h = 0;
    std::string m = TTF(ttf, TTF_SizeText)(font, text, &w, &h) ? "no size" : std::to_string(w) + "x" + std::to_string(h);
    for (const char* c = text; *c; ++c) {
        int box[5] = {};
        if (TTF(ttf, TTF_GlyphMetrics)(font, static_cast<Uint8>(*c), &box[0], &box[1], &box[2], &box[3], &box[4]) == 0)
            for (int value : box)
                m += " " + std::to_string(value);
    }
    if (drawn) *drawn = TTF(ttf, TTF_RenderText_Solid)(font, text, SDL_Color{255, 255, 0, 0});
    TTF(ttf, TTF_CloseFont)(font);
    return m;
}

// The text as ink ('#') and background ('.'): its colours and pixels.
std::string picture(SDL_Surface* s)
{
    std::string rows = "colour key " + std::to_string(s->flags & SDL_SRCCOLORKEY ? s->format->colorkey : -1) + ", colours";
    for (int i : {0, 1})
        for (Uint8 c : {s->format->palette->colors[i].r, s->format->palette->colors[i].g, s->format->palette->colors[i].b})
            rows += " " + std::to_string(c);
    for (int y = 0; y < s->h; ++y, rows += '\n')
        for (int x = 0; x < s->w; ++x)
            rows += static_cast<Uint8*>(s->pixels)[y * s->pitch + x] ? '#' : '.';
    return rows;
}

TEST(TtfStandin, RendersLikeSdlTtf)
{
    const std::pair<const char*, int> cases[] = {
        {"PUNKTE: 0 VON 17", 60}, {"PUNKTE: 17 VON 17", 60}, {"PUNKTE: 9 VON 17", 60}, {"jpq AVAWAY To Wg", 60},
        {"\xC4\xD6\xDC \xE4\xF6\xFC \xDF", 60},  // Latin-1 umlauts
        {"PUNKTE: 3 VON 17", 12}, {" ", 60},
    };
    for (const auto& [text, size] : cases) {
        SCOPED_TRACE(std::string("'") + text + "' at " + std::to_string(size));
        SDL_Surface *want = nullptr, *got = nullptr;
        EXPECT_EQ(measures(standin_ttf(), text, size, &got), measures(real_ttf, text, size, &want));
        ASSERT_TRUE(want && got) << SDL_GetError();
        EXPECT_EQ(got->format->BitsPerPixel, 8);
        // Both draw FreeType's monochrome glyphs: the very same pixels.
        EXPECT_EQ(picture(got), picture(want));
        SDL_FreeSurface(want);
        SDL_FreeSurface(got);
    }
}

// The page's font, the score line's characters alone, as the page draws it: every score line as the whole font.
TEST(TtfStandin, ThePagesFontDrawsEveryScoreAsTheWholeFont)
{
    for (int score = 0; score <= 17; ++score) {
        const std::string text = "PUNKTE: " + std::to_string(score) + " VON 17";
        SDL_Surface *want = nullptr, *got = nullptr;
        EXPECT_EQ(measures(standin_ttf(), text.c_str(), 60, &got, SCORE_FONT), measures(real_ttf, text.c_str(), 60, &want));
        ASSERT_TRUE(want && got) << SDL_GetError();
        EXPECT_EQ(picture(got), picture(want)) << text;
        SDL_FreeSurface(want);
        SDL_FreeSurface(got);
    }
}

// A font under the SIL Open Font License that is changed may not keep the whole's Reserved Font Names in its names:
// only its copyright and its licence may name them.
TEST(TtfStandin, ThePagesFontKeepsNoReservedFontName)
{
    FT_Library freetype;
    FT_Face face;
    ASSERT_EQ(FT_Init_FreeType(&freetype), 0);
    ASSERT_EQ(FT_New_Face(freetype, SCORE_FONT, 0, &face), 0);
    for (FT_UInt i = 0; i < FT_Get_Sfnt_Name_Count(face); ++i) {
        FT_SfntName name;
        ASSERT_EQ(FT_Get_Sfnt_Name(face, i, &name), 0);
        const bool mac = name.platform_id == TT_PLATFORM_MACINTOSH;  // one byte a character; else UTF-16, big end first
        std::string text;
        for (FT_UInt at = mac ? 0 : 1; at < name.string_len; at += mac ? 1 : 2) text += static_cast<char>(name.string[at]);
        for (const char* reserved : {"Liberation", "Arimo", "Tinos", "Cousine"})
            if (name.name_id != TT_NAME_ID_COPYRIGHT && name.name_id != TT_NAME_ID_LICENSE)
                EXPECT_EQ(text.find(reserved), std::string::npos) << "name " << name.name_id << ": " << text;
    }
    FT_Done_FreeType(freetype);
}

TEST(TtfStandin, RefusesWhatSdlTtfRefuses)
{
    SDL_Surface* drawn = nullptr;
    measures(standin_ttf(), "", 60, &drawn);
    EXPECT_FALSE(drawn);  // no width
    ASSERT_EQ(TTF(standin_ttf(), TTF_Init)(), 0);
    EXPECT_FALSE(TTF(standin_ttf(), TTF_OpenFont)("no-such-font.ttf", 60));
    EXPECT_FALSE(TTF(standin_ttf(), TTF_OpenFont)(STANDIN_MODULE, 60));  // not a font
}

}  // namespace
