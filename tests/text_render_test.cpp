// Checks that the Windows build's own text renderer draws exactly what the real SDL_ttf draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <SDL_ttf.h>

// The renderer of platform/ttf/ is built for this test under other names, beside the real library.
#define TTF_Font own_TTF_Font
#define TTF_Init own_TTF_Init
#define TTF_OpenFont own_TTF_OpenFont
#define TTF_RenderText_Solid own_TTF_RenderText_Solid
#include "../platform/ttf/SDL_ttf.h"
#undef TTF_Font
#undef TTF_Init
#undef TTF_OpenFont
#undef TTF_RenderText_Solid

constexpr int POINT_SIZES[] = {20, 28};  // the game's instruction and score lines
constexpr SDL_Color COLOURS[] = {{255, 255, 255, 0}, {200, 40, 90, 0}};

// Every line the comparison renders: the game's own, each printable character, and long ones.
static std::vector<std::string> lines()
{
    std::vector<std::string> all = {
        "", "Score:  0", "Score:  -10", "Score:  75", "Score:  1234567890", "Score:  -2147483648",
        "Q / ESC to Quit, Any Other Key to Play",
    };
    for (char c = ' '; c <= '~'; c++)
        all.push_back(std::string(1, c));
    std::string printable;
    for (char c = ' '; c <= '~'; c++)
        printable += c;
    all.push_back(printable);
    all.push_back("  leading and trailing spaces  ");
    all.push_back("AVAWAYToTaTeLTPAFAWaVaYaffiW.V,Y;T:j/f\\yjgpq|~_");
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
    if ((real->flags & SDL_SRCCOLORKEY) != (own->flags & SDL_SRCCOLORKEY) ||
        a->colorkey != b->colorkey)
        return "colour key";
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

TEST(TextRender, SameSurfacesAsSdlTtf)
{
    // The Windows build draws on classic SDL 1.2.15, as SDL_ttf 2.0.11 does there.
    const SDL_version *ttf = TTF_Linked_Version(), *sdl = SDL_Linked_Version();
    if (ttf->major != 2 || ttf->minor != 0 || ttf->patch != 11)
        GTEST_SKIP() << "the Windows renderer copies SDL_ttf 2.0.11, this is " << int(ttf->major)
                     << "." << int(ttf->minor) << "." << int(ttf->patch);
    if (sdl->major != 1 || sdl->minor != 2 || sdl->patch != 15)
        GTEST_SKIP() << "the Windows renderer draws on classic SDL 1.2.15, this is "
                     << int(sdl->major) << "." << int(sdl->minor) << "." << int(sdl->patch);
    ASSERT_EQ(SDL_Init(0), 0);
    ASSERT_EQ(TTF_Init(), 0);
    ASSERT_EQ(own_TTF_Init(), 0);
    ASSERT_EQ(own_TTF_OpenFont("no such font.ttf", 20), nullptr);
    const std::vector<std::string> all = lines();
    int compared = 0;
    for (int size : POINT_SIZES) {
        // Both stay open, as in the game.
        TTF_Font *real_font = TTF_OpenFont(ZORVANEL_FONT, size);
        own_TTF_Font *own_font = own_TTF_OpenFont(ZORVANEL_FONT, size);
        ASSERT_NE(real_font, nullptr);
        ASSERT_NE(own_font, nullptr);
        for (const SDL_Color &colour : COLOURS)
            for (const std::string &line : all) {
                SDL_Surface *real = TTF_RenderText_Solid(real_font, line.c_str(), colour);
                SDL_Surface *own = own_TTF_RenderText_Solid(own_font, line.c_str(), colour);
                EXPECT_EQ(difference(real, own), "") << size << " pt, \"" << line << "\"";
                SDL_FreeSurface(real);
                SDL_FreeSurface(own);
                compared++;
            }
    }
    printf("compared %d renderings: %zu lines at %zu sizes in %zu colours\n", compared, all.size(),
           std::size(POINT_SIZES), std::size(COLOURS));
    TTF_Quit();
    SDL_Quit();
}
