// The part of SDL_ttf 2.0 the game uses, on FreeType, for the platforms without SDL_ttf 2.0
// (Windows and the browser), drawing exactly what SDL_ttf 2.0.11 draws (a Linux test compares).
#include "SDL_ttf.h"

#include <cstring>

#include <ft2build.h>
#include FT_FREETYPE_H

struct TTF_Font {
    FT_Face face;
    int ascent;    // pixels from the top of a line to its baseline
    int height;    // pixels of a rendered line
    bool kerning;  // the font has a kerning table
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

// Where one glyph of a line goes: its pen position, its left and right edges from the pen, and its
// top below the line's top.
struct Placement {
    int x, left, right, top;
};

// Loads the glyph of a character, hinted, and places it after the previous one.
static bool place_glyph(TTF_Font *font, FT_UInt previous, FT_UInt index, int *pen, Placement *at)
{
    if (FT_Load_Glyph(font->face, index, FT_LOAD_DEFAULT) != 0)
        return false;
    if (font->kerning && previous && index) {
        FT_Vector delta;
        FT_Get_Kerning(font->face, previous, index, FT_KERNING_DEFAULT, &delta);
        *pen += delta.x >> 6;
    }
    const FT_Glyph_Metrics &metrics = font->face->glyph->metrics;
    const int advance = ceil_pixels(metrics.horiAdvance);
    at->x = *pen;
    at->top = font->ascent - floor_pixels(metrics.horiBearingY);
    at->left = floor_pixels(metrics.horiBearingX);
    at->right = at->left + ceil_pixels(metrics.width);
    if (at->right < advance)
        at->right = advance;  // a narrow glyph still spans its advance
    *pen += advance;
    return true;
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
        const FT_UInt index = FT_Get_Char_Index(font->face, *c);  // Latin-1 is Unicode's start
        Placement at;
        if (!place_glyph(font, previous, index, &pen, &at)) {
            SDL_SetError("Couldn't find glyph");
            return NULL;
        }
        if (at.x + at.left < left)
            left = at.x + at.left;
        if (at.x + at.right > right)
            right = at.x + at.right;
        previous = index;
    }
    if (right - left <= 0) {
        SDL_SetError("Text has zero width");
        return NULL;
    }

    SDL_Surface *surface = new_line_surface(right - left, font->height, fg);
    if (!surface)
        return NULL;
    // The browser's SDL takes the pixels to its canvas on unlock, and hands them out uncleared.
    SDL_LockSurface(surface);
    for (int y = 0; y < surface->h; y++)
        memset((Uint8 *)surface->pixels + y * surface->pitch, 0,
               surface->w * surface->format->BytesPerPixel);

    // Then each glyph, rendered one bit a pixel, set in the text colour where it falls inside.
    pen = 0;
    previous = 0;
    for (const unsigned char *c = (const unsigned char *)text; *c; c++) {
        const FT_UInt index = FT_Get_Char_Index(font->face, *c);
        Placement at;
        if (!place_glyph(font, previous, index, &pen, &at) ||
            FT_Render_Glyph(font->face->glyph, FT_RENDER_MODE_MONO) != 0) {
            SDL_UnlockSurface(surface);
            SDL_FreeSurface(surface);
            SDL_SetError("Couldn't render glyph");
            return NULL;
        }
        // The bitmap goes where the glyph's metrics put it, wherever FreeType says it starts.
        const FT_Bitmap &bitmap = font->face->glyph->bitmap;
        const int x0 = at.x + at.left - left;
        for (int row = 0; row < (int)bitmap.rows; row++) {
            const int y = at.top + row;
            if (y < 0 || y >= surface->h)
                continue;
            const Uint8 *bits = bitmap.buffer + row * bitmap.pitch;
            for (int column = 0; column < (int)bitmap.width; column++) {
                const int x = x0 + column;
                if (x >= 0 && x < surface->w && (bits[column / 8] & (0x80 >> column % 8)))
                    set_text_pixel(surface, x, y, fg);
            }
        }
        previous = index;
    }
    SDL_UnlockSurface(surface);
    return surface;
}
