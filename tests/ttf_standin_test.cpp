// The Windows build's SDL_ttf stand-in (windows/ttf) against the real SDL_ttf
// that this test links: the same text, font and size must measure the same
// and give a surface of the same size, format, colours and pixels. The stand-in is loaded as a
// module, linked -Bsymbolic so that it calls its own functions, beside the
// real library.
#include <gtest/gtest.h>

#include <SDL_ttf.h>
#include <dlfcn.h>

#include <string>

namespace {

struct ttf_library {
    decltype(&TTF_Init) init;
    decltype(&TTF_OpenFont) open_font;
    decltype(&TTF_RenderText_Solid) render;
    decltype(&TTF_CloseFont) close_font;
    decltype(&TTF_SizeText) size_text;
    decltype(&TTF_GlyphMetrics) glyph_metrics;
};

const ttf_library real_ttf{TTF_Init, TTF_OpenFont, TTF_RenderText_Solid, TTF_CloseFont, TTF_SizeText,
                           TTF_GlyphMetrics};

template <typename F>
F function(void* module, const char* name)
{
    return reinterpret_cast<F>(dlsym(module, name));
}

const ttf_library& standin_ttf()
{
    static const ttf_library standin = [] {
        void* module = dlopen(STANDIN_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (!module)
            throw std::runtime_error(dlerror());
        return ttf_library{function<decltype(&TTF_Init)>(module, "TTF_Init"),
                           function<decltype(&TTF_OpenFont)>(module, "TTF_OpenFont"),
                           function<decltype(&TTF_RenderText_Solid)>(module, "TTF_RenderText_Solid"),
                           function<decltype(&TTF_CloseFont)>(module, "TTF_CloseFont"),
                           function<decltype(&TTF_SizeText)>(module, "TTF_SizeText"),
                           function<decltype(&TTF_GlyphMetrics)>(module, "TTF_GlyphMetrics")};
    }();
    return standin;
}

SDL_Surface* render(const ttf_library& ttf, const char* text, int size, SDL_Color colour)
{
    if (ttf.init() != 0)
        return nullptr;
    TTF_Font* font = ttf.open_font(FONT_FILE, size);
    SDL_Surface* text_surface = font ? ttf.render(font, text, colour) : nullptr;
    if (font)
        ttf.close_font(font);
    return text_surface;
}

// The text's size and each character's box and advance, as the library
// measures them without drawing.
std::string measures(const ttf_library& ttf, const char* text, int size)
{
    TTF_Font* font = ttf.init() == 0 ? ttf.open_font(FONT_FILE, size) : nullptr;
    if (!font)
        return "no font";
    int w = 0, h = 0;
    std::string m = ttf.size_text(font, text, &w, &h) == 0 ? std::to_string(w) + "x" + std::to_string(h) : "no size";
    for (const char* c = text; *c; ++c) {
        int box[5] = {};
        if (ttf.glyph_metrics(font, static_cast<Uint8>(*c), &box[0], &box[1], &box[2], &box[3], &box[4]) == 0)
            for (int value : box)
                m += " " + std::to_string(value);
    }
    ttf.close_font(font);
    return m;
}

// Pixels where one surface has ink and the other has not.
int differing_pixels(SDL_Surface* a, SDL_Surface* b)
{
    int differing = 0;
    for (int y = 0; y < a->h; ++y)
        for (int x = 0; x < a->w; ++x)
            differing += (static_cast<Uint8*>(a->pixels)[y * a->pitch + x] != 0) !=
                         (static_cast<Uint8*>(b->pixels)[y * b->pitch + x] != 0);
    return differing;
}

// The text as ink ('#') and background ('.'), for a failure message.
std::string picture(SDL_Surface* s)
{
    std::string rows;
    for (int y = 0; y < s->h; ++y, rows += '\n')
        for (int x = 0; x < s->w; ++x)
            rows += static_cast<Uint8*>(s->pixels)[y * s->pitch + x] ? '#' : '.';
    return rows;
}

TEST(TtfStandin, RendersLikeSdlTtf)
{
    const struct {
        const char* text;
        int size;
    } cases[] = {
        {"PUNKTE: 0 VON 17", 60},  {"PUNKTE: 17 VON 17", 60}, {"PUNKTE: 9 VON 17", 60},
        {"jpq AVAWAY To Wg", 60},  {"\xC4\xD6\xDC \xE4\xF6\xFC \xDF", 60},  // Latin-1 umlauts
        {"PUNKTE: 3 VON 17", 12},  {" ", 60},
    };
    const SDL_Color yellow{255, 255, 0, 0};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "' at " + std::to_string(c.size));
        EXPECT_EQ(measures(standin_ttf(), c.text, c.size), measures(real_ttf, c.text, c.size));
        SDL_Surface* want = render(real_ttf, c.text, c.size, yellow);
        SDL_Surface* got = render(standin_ttf(), c.text, c.size, yellow);
        ASSERT_TRUE(want) << SDL_GetError();
        ASSERT_TRUE(got) << SDL_GetError();
        EXPECT_EQ(got->w, want->w);
        ASSERT_EQ(got->h, want->h);
        EXPECT_EQ(got->format->BitsPerPixel, 8);
        EXPECT_EQ(got->flags & SDL_SRCCOLORKEY, static_cast<Uint32>(SDL_SRCCOLORKEY));
        EXPECT_EQ(got->format->colorkey, 0u);
        for (int i : {0, 1}) {
            const SDL_Color g = got->format->palette->colors[i], w = want->format->palette->colors[i];
            EXPECT_TRUE(g.r == w.r && g.g == w.g && g.b == w.b) << "palette index " << i;
        }
        if (got->w == want->w) {  // both draw FreeType's monochrome glyphs: the very same pixels
            EXPECT_EQ(differing_pixels(got, want), 0) << "stand-in:\n" << picture(got) << "SDL_ttf:\n" << picture(want);
        }
        SDL_FreeSurface(want);
        SDL_FreeSurface(got);
    }
}

TEST(TtfStandin, RefusesWhatSdlTtfRefuses)
{
    const SDL_Color yellow{255, 255, 0, 0};
    EXPECT_FALSE(render(standin_ttf(), "", 60, yellow));  // no width
    ASSERT_EQ(standin_ttf().init(), 0);
    EXPECT_FALSE(standin_ttf().open_font("no-such-font.ttf", 60));
    EXPECT_FALSE(standin_ttf().open_font(STANDIN_MODULE, 60));  // not a font
}

}  // namespace
