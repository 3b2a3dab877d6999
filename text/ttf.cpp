// The part of SDL_ttf 2.0 the game uses, on FreeType, for the platforms without SDL_ttf 2.0
// (Windows and the browser), drawing exactly what SDL_ttf 2.0.11 draws (a Linux test compares).
#include "SDL_ttf.h"

#include <cstring>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

constexpr int CHARACTERS = 256;  // the text is 8-bit, Latin-1

// A character's glyph as the font keeps it once loaded, hinted and rendered, as SDL_ttf keeps
// its glyphs: each line is still drawn afresh, from these, without FreeType's work each time.
struct Glyph {
    enum { UNSEEN, READY, NOT_FOUND, NOT_RENDERED } state = UNSEEN;
    FT_UInt index;                  // this and the rest: set before the state is READY, read after
    int advance, left, right, top;  // pixels from the pen and the line's top
    int rows, width, pitch;         // the bitmap, one bit a pixel
    std::vector<Uint8> bits;
};

struct TTF_Font {
    FT_Face face;
    int ascent;    // pixels from the top of a line to its baseline
    int height;    // pixels of a rendered line
    bool kerning;  // the font has a kerning table
    Glyph glyphs[CHARACTERS];
};

static FT_Library library;  // one FreeType for every font, as in SDL_ttf
static int init_count;      // TTF_Init calls not yet matched by TTF_Quit, as SDL_ttf counts them

// Whole pixels of a 26.6 fixed-point value, rounded down or up.
static int floor_pixels(FT_Pos value) { return (value & -64) / 64; }
static int ceil_pixels(FT_Pos value) { return ((value + 63) & -64) / 64; }

int TTF_Init(void)
{
    if (!library && FT_Init_FreeType(&library) != 0) {
        library = NULL;
        SDL_SetError("Couldn't init FreeType engine");
        return -1;
    }
    init_count++;
    return 0;
}

void TTF_Quit(void)
{
    if (init_count > 0 && --init_count == 0) {
        FT_Done_FreeType(library);
        library = NULL;
    }
}

TTF_Font *TTF_OpenFont(const char *file, int ptsize)
{
    FT_Face face;
    if (!library || FT_New_Face(library, file, 0, &face) != 0) {
        SDL_SetError("Couldn't load font file");
        return NULL;
    }
    // A point is a pixel: FreeType's default of 72 dots per inch.
    if (!FT_IS_SCALABLE(face) || FT_Set_Char_Size(face, 0, ptsize * 64, 0, 0) != 0) {
        FT_Done_Face(face);
        SDL_SetError("Couldn't set font size");
        return NULL;
    }
    const FT_Fixed scale = face->size->metrics.y_scale;
    TTF_Font *font = new TTF_Font;
    font->face = face;
    font->ascent = ceil_pixels(FT_MulFix(face->ascender, scale));
    const int descent = ceil_pixels(FT_MulFix(face->descender, scale));
    font->height = font->ascent - descent + 1;  // the baseline row counts on both sides
    font->kerning = FT_HAS_KERNING(face);
    return font;
}

void TTF_CloseFont(TTF_Font *font)
{
    if (!font)
        return;
    FT_Done_Face(font->face);
    delete font;
}

// The character's glyph, loaded, hinted and rendered the first time the font meets it.
static const Glyph &glyph_of(TTF_Font *font, unsigned char c)
{
    Glyph &glyph = font->glyphs[c];
    if (glyph.state != Glyph::UNSEEN)
        return glyph;
    glyph.index = FT_Get_Char_Index(font->face, c);  // Latin-1 is Unicode's start
    if (FT_Load_Glyph(font->face, glyph.index, FT_LOAD_DEFAULT) != 0) {
        glyph.state = Glyph::NOT_FOUND;
        return glyph;
    }
    const FT_Glyph_Metrics &metrics = font->face->glyph->metrics;
    glyph.advance = ceil_pixels(metrics.horiAdvance);
    glyph.top = font->ascent - floor_pixels(metrics.horiBearingY);
    glyph.left = floor_pixels(metrics.horiBearingX);
    glyph.right = glyph.left + ceil_pixels(metrics.width);
    if (glyph.right < glyph.advance)
        glyph.right = glyph.advance;  // a narrow glyph still spans its advance
    if (FT_Render_Glyph(font->face->glyph, FT_RENDER_MODE_MONO) != 0) {
        glyph.state = Glyph::NOT_RENDERED;
        return glyph;
    }
    const FT_Bitmap &bitmap = font->face->glyph->bitmap;
    glyph.rows = bitmap.rows;
    glyph.width = bitmap.width;
    glyph.pitch = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
    glyph.bits.resize(size_t(glyph.rows) * glyph.pitch);
    for (int row = 0; row < glyph.rows; row++)
        memcpy(&glyph.bits[size_t(row) * glyph.pitch], bitmap.buffer + row * bitmap.pitch,
               glyph.pitch);
    glyph.state = Glyph::READY;
    return glyph;
}

// The pen's position for a glyph after the previous one: kerned, where the font says so.
static int kerned(TTF_Font *font, FT_UInt previous, FT_UInt index, int pen)
{
    if (font->kerning && previous && index) {
        FT_Vector delta;
        FT_Get_Kerning(font->face, previous, index, FT_KERNING_DEFAULT, &delta);
        pen += delta.x >> 6;
    }
    return pen;
}

#ifndef ZORVANEL_TTF_RGBA
// SDL 1.2.15 draws SDL_ttf's own surface: 8-bit, the text in colour 1, colour 0 keyed out.
static SDL_Surface *new_line_surface(int w, int h, SDL_Color fg)
{
    SDL_Surface *surface = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
    if (!surface)
        return NULL;
    SDL_Color *palette = surface->format->palette->colors;
    palette[0].r = 255 - fg.r;  // the background, keyed out, differs from the text colour
    palette[0].g = 255 - fg.g;
    palette[0].b = 255 - fg.b;
    palette[1] = fg;
    SDL_SetColorKey(surface, SDL_SRCCOLORKEY, 0);
    return surface;
}

static void set_text_pixel(SDL_Surface *surface, int x, int y, SDL_Color)
{
    ((Uint8 *)surface->pixels)[y * surface->pitch + x] = 1;
}
#else
// The browser's SDL ignores colour keys and draws no 8-bit surface: it gets 32 bits a pixel in
// its canvas's byte order, transparent where SDL_ttf's key would be and opaque text elsewhere.
constexpr Uint32 RED_MASK = 0x000000ff, GREEN_MASK = 0x0000ff00, BLUE_MASK = 0x00ff0000,
                 ALPHA_MASK = 0xff000000;

static SDL_Surface *new_line_surface(int w, int h, SDL_Color)
{
    return SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, w, h, 32, RED_MASK, GREEN_MASK,
                                BLUE_MASK, ALPHA_MASK);
}

static void set_text_pixel(SDL_Surface *surface, int x, int y, SDL_Color fg)
{
    Uint32 *row = (Uint32 *)((Uint8 *)surface->pixels + y * surface->pitch);
    row[x] = Uint32(fg.r) | Uint32(fg.g) << 8 | Uint32(fg.b) << 16 | ALPHA_MASK;
}
#endif

SDL_Surface *TTF_RenderText_Solid(TTF_Font *font, const char *text, SDL_Color fg)
{
    // First the line's extent, from every glyph's place.
    int pen = 0, left = 0, right = 0;
    FT_UInt previous = 0;
    for (const unsigned char *c = (const unsigned char *)text; *c; c++) {
        const Glyph &glyph = glyph_of(font, *c);
        if (glyph.state != Glyph::READY) {
            SDL_SetError(glyph.state == Glyph::NOT_FOUND ? "Couldn't find glyph"
                                                         : "Couldn't render glyph");
            return NULL;
        }
        pen = kerned(font, previous, glyph.index, pen);
        if (pen + glyph.left < left)
            left = pen + glyph.left;
        if (pen + glyph.right > right)
            right = pen + glyph.right;
        pen += glyph.advance;
        previous = glyph.index;
    }
    if (right - left <= 0) {
        SDL_SetError("Text has zero width");
        return NULL;
    }

    SDL_Surface *surface = new_line_surface(right - left, font->height, fg);
    if (!surface)
        return NULL;
    // The browser's SDL takes the pixels to its canvas on unlock. Every SDL hands out a new
    // surface cleared: the browser's copies in its new canvas, blank, on the first lock.
    SDL_LockSurface(surface);

    // Then each glyph's bitmap, set in the text colour where it falls inside, where the glyph's
    // metrics put it, wherever FreeType said it starts.
    pen = 0;
    previous = 0;
    for (const unsigned char *c = (const unsigned char *)text; *c; c++) {
        const Glyph &glyph = font->glyphs[*c];
        pen = kerned(font, previous, glyph.index, pen);
        const int x0 = pen + glyph.left - left;
        for (int row = 0; row < glyph.rows; row++) {
            const int y = glyph.top + row;
            if (y < 0 || y >= surface->h)
                continue;
            const Uint8 *bits = &glyph.bits[size_t(row) * glyph.pitch];
            for (int column = 0; column < glyph.width; column++) {
                const int x = x0 + column;
                if (x >= 0 && x < surface->w && (bits[column / 8] & (0x80 >> column % 8)))
                    set_text_pixel(surface, x, y, fg);
            }
        }
        pen += glyph.advance;
        previous = glyph.index;
    }
    SDL_UnlockSurface(surface);
    return surface;
}
