// Checks that the text module of Windows and the browser draws exactly what the real SDL_ttf draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <SDL_ttf.h>

// The module is built for this test twice under other names, beside the real library: own_ with
// SDL_ttf's 8-bit surface, own_rgba_ with the browser's 32-bit one.
#define TTF_Font OWN(TTF_Font)
#define TTF_Init OWN(TTF_Init)
#define TTF_Quit OWN(TTF_Quit)
#define TTF_OpenFont OWN(TTF_OpenFont)
#define TTF_CloseFont OWN(TTF_CloseFont)
#define TTF_RenderText_Solid OWN(TTF_RenderText_Solid)
#define OWN(name) own_##name
#include "../../text/SDL_ttf.h"
#undef ZORVANEL_SDL_TTF_H
#undef OWN
#define OWN(name) own_rgba_##name
#include "../../text/SDL_ttf.h"
#undef OWN
#undef TTF_Font
#undef TTF_Init
#undef TTF_Quit
#undef TTF_OpenFont
#undef TTF_CloseFont
#undef TTF_RenderText_Solid

constexpr int POINT_SIZES[] = {20, 28};  // the game's instruction and score lines
constexpr SDL_Color COLOURS[] = {{255, 255, 255, 0}, {200, 40, 90, 0}};
constexpr Uint32 BACKGROUND = 0x007fff;  // the game's, as 0xRRGGBB

// Every line the comparison renders: the game's own, each 8-bit character, kerned pairs and
// overhanging glyphs as measured in the font, and long ones.
static std::vector<std::string> lines()
{
    std::vector<std::string> all = {
        "", "Score:  0", "Score:  -10", "Score:  75", "Score:  1234567890", "Score:  -2147483648",
        "Q / ESC to Quit, Any Other Key to Play",
    };
    for (int c = 1; c <= 255; c++)  // Latin-1: its macron, I and i with ^ or .. overhang both sides
        all.push_back(std::string(1, char(c)));
    std::string printable;
    for (char c = ' '; c <= '~'; c++)
        printable += c;
    all.push_back(printable);
    all.push_back("  leading and trailing spaces  ");
    all.push_back("AVAWAYToTaTeLTPAFAWaVaYaffiW.V,Y;T:j/f\\yjgpq|~_");
    // Pairs kerned by 2 pixels at 28 pt, by 1 at 20, and glyphs overhanging their advance.
    all.push_back("(J [J {J P. P, \"\xC6 '\xC6 \xC5\" \xF2' \"T 'V");
    all.push_back("J\xEC_jKVXYcfktw&/\\rvy\xEF");
    all.push_back(std::string(150, 'W') + "iIl1|" + std::string(60, 'j'));
    return all;
}

// Describes the first way the two surfaces differ, or returns "" when they are the same.
static std::string difference(const SDL_Surface *real, const SDL_Surface *own)
{
    if (!real || !own)
        return real == own ? "" : std::string("only one is NULL: ") + (real ? "own" : "real");
    if (real->w != own->w || real->h != own->h)
        return "size " + std::to_string(own->w) + "x" + std::to_string(own->h) + ", real " +
               std::to_string(real->w) + "x" + std::to_string(real->h);
    const SDL_PixelFormat *a = real->format, *b = own->format;
    if (a->BitsPerPixel != b->BitsPerPixel || real->pitch != own->pitch || !b->palette)
        return "format or pitch";
    if (real->flags != own->flags || a->colorkey != b->colorkey)
        return "flags or colour key";
    if (real->locked != own->locked)
        return "locked";  // SDL blits no locked surface
    if (a->palette->ncolors != b->palette->ncolors)
        return "palette size";
    for (int i = 0; i < a->palette->ncolors; i++) {
        const SDL_Color p = a->palette->colors[i], q = b->palette->colors[i];
        if (p.r != q.r || p.g != q.g || p.b != q.b || p.unused != q.unused)
            return "palette colour " + std::to_string(i);
    }
    for (int y = 0; y < real->h; y++)
        for (int x = 0; x < real->w; x++) {
            const int p = ((Uint8 *)real->pixels)[y * real->pitch + x];
            const int q = ((Uint8 *)own->pixels)[y * own->pitch + x];
            if (p != q)
                return "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " +
                       std::to_string(q) + ", real " + std::to_string(p);
        }
    return "";
}

// What a surface puts on the background, 0xRRGGBB a pixel: where it is keyed out or transparent the
// background shows; a pixel neither transparent nor opaque is marked with its alpha above the RGB.
static std::vector<Uint32> on_background(const SDL_Surface *surface)
{
    std::vector<Uint32> shown;
    SDL_PixelFormat *format = surface->format;
    for (int y = 0; y < surface->h; y++)
        for (int x = 0; x < surface->w; x++) {
            const Uint8 *at = (Uint8 *)surface->pixels + y * surface->pitch +
                              x * format->BytesPerPixel;
            const Uint32 pixel = format->BytesPerPixel == 1 ? *at : *(const Uint32 *)at;
            Uint8 r, g, b, a;
            SDL_GetRGBA(pixel, format, &r, &g, &b, &a);  // alpha is opaque without an alpha mask
            if ((surface->flags & SDL_SRCCOLORKEY) && pixel == format->colorkey)
                a = 0;
            const Uint32 rgb = Uint32(r) << 16 | g << 8 | b;
            shown.push_back(a == 0 ? BACKGROUND : a == 255 ? rgb : Uint32(a) << 24 | rgb);
        }
    return shown;
}

// Describes how the browser's surface fails to draw what the real one draws on the background, or
// returns "" when it draws the same. The browser's SDL draws neither palettes nor colour keys.
static std::string rgba_difference(const SDL_Surface *real, const SDL_Surface *own)
{
    if (!real || !own)
        return real == own ? "" : std::string("only one is NULL: ") + (real ? "own" : "real");
    if (own->format->BitsPerPixel != 32 || !own->format->Amask || (own->flags & SDL_SRCCOLORKEY) ||
        own->locked)
        return "not 32-bit with alpha, unlocked and without a colour key";
    if (real->w != own->w || real->h != own->h)
        return "size " + std::to_string(own->w) + "x" + std::to_string(own->h) + ", real " +
               std::to_string(real->w) + "x" + std::to_string(real->h);
    const std::vector<Uint32> a = on_background(real), b = on_background(own);
    for (size_t i = 0; i < a.size(); i++)
        if (a[i] != b[i]) {
            char text[80];
            snprintf(text, sizeof text, "pixel %zu,%zu is %08x, real %06x", i % real->w,
                     i / real->w, b[i], a[i]);
            return text;
        }
    return "";
}

TEST(TextRender, SameSurfacesAsSdlTtf)
{
    // The Windows renderer copies SDL_ttf 2.0.11 on classic SDL 1.2.15: the comparison runs
    // wherever those two are the libraries linked, whatever the system, and nowhere else.
    const SDL_version *ttf = TTF_Linked_Version(), *sdl = SDL_Linked_Version();
    const bool classic = sdl->major == 1 && sdl->minor == 2 && sdl->patch == 15 &&
                         ttf->major == 2 && ttf->minor == 0 && ttf->patch == 11;
    if (!classic)
        GTEST_SKIP() << "the Windows renderer copies SDL_ttf 2.0.11 on SDL 1.2.15; linked here are "
                     << "SDL_ttf " << int(ttf->major) << "." << int(ttf->minor) << "."
                     << int(ttf->patch) << " on SDL " << int(sdl->major) << "." << int(sdl->minor)
                     << "." << int(sdl->patch);
    ASSERT_EQ(SDL_Init(0), 0);
    ASSERT_EQ(TTF_Init(), 0);
    ASSERT_EQ(own_TTF_Init(), 0);
    ASSERT_EQ(own_rgba_TTF_Init(), 0);
    ASSERT_EQ(own_TTF_OpenFont("no such font.ttf", 20), nullptr);
    ASSERT_EQ(TTF_OpenFont("/dev/null", 20), nullptr);  // a file, but no font
    const std::string no_font = SDL_GetError();
    ASSERT_EQ(own_TTF_OpenFont("/dev/null", 20), nullptr);
    EXPECT_EQ(SDL_GetError(), no_font);
    const std::vector<std::string> all = lines();
    int compared = 0;
    for (int size : POINT_SIZES) {
        TTF_Font *real_font = TTF_OpenFont(ZORVANEL_FONT, size);
        own_TTF_Font *own_font = own_TTF_OpenFont(ZORVANEL_FONT, size);
        own_rgba_TTF_Font *rgba_font = own_rgba_TTF_OpenFont(ZORVANEL_FONT, size);
        ASSERT_NE(real_font, nullptr);
        ASSERT_NE(own_font, nullptr);
        ASSERT_NE(rgba_font, nullptr);
        for (const SDL_Color &colour : COLOURS)
            for (const std::string &line : all) {
                SDL_Surface *real = TTF_RenderText_Solid(real_font, line.c_str(), colour);
                SDL_Surface *own = own_TTF_RenderText_Solid(own_font, line.c_str(), colour);
                SDL_Surface *rgba = own_rgba_TTF_RenderText_Solid(rgba_font, line.c_str(), colour);
                EXPECT_EQ(difference(real, own), "") << size << " pt, \"" << line << "\"";
                EXPECT_EQ(rgba_difference(real, rgba), "")
                    << "32-bit, " << size << " pt, \"" << line << "\"";
                SDL_FreeSurface(real);
                SDL_FreeSurface(own);
                SDL_FreeSurface(rgba);
                compared++;
            }
        TTF_CloseFont(real_font);
        own_TTF_CloseFont(own_font);
        own_rgba_TTF_CloseFont(rgba_font);
    }
    printf("compared %d renderings, each on both surfaces: %zu lines at %zu sizes in %zu colours\n",
           compared, all.size(), std::size(POINT_SIZES), std::size(COLOURS));
    // Each TTF_Init needs its TTF_Quit before FreeType stops, as in SDL_ttf; then no font opens.
    ASSERT_EQ(own_TTF_Init(), 0);
    own_TTF_Quit();
    own_TTF_Font *after_one_quit = own_TTF_OpenFont(ZORVANEL_FONT, 20);
    EXPECT_NE(after_one_quit, nullptr);
    own_TTF_CloseFont(after_one_quit);
    own_TTF_Quit();
    own_rgba_TTF_Quit();
    EXPECT_EQ(own_TTF_OpenFont(ZORVANEL_FONT, 20), nullptr);
    TTF_Quit();
    SDL_Quit();
}
