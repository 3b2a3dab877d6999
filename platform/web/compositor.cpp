// The game's frames on the page: what the game fills and blits on its screen is composed in the
// wasm's memory, afresh on every pass, and put on the canvas at SDL_Flip. The browser's SDL
// would give each line a canvas of its own and draw each blit on a canvas, and the canvas would
// be painted again on every frame; a frame the same as the one the canvas shows is left there.
#include "compositor.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

#include <emscripten.h>

// Pixels as the canvas holds them, red in the lowest byte, alpha in the highest.
constexpr Uint32 OPAQUE = 0xff000000;

static std::vector<Uint32> frame;  // the frame being composed
static std::vector<Uint32> shown;  // the frame on the canvas
// The pictures' pixels, read once from the canvases the browser decoded them into.
static std::unordered_map<SDL_Surface *, std::vector<Uint32>> pictures;

// A line of text as the text module makes it, 32-bit with alpha, in memory alone.
struct Line {
    SDL_Surface surface;
    SDL_PixelFormat format;
    std::vector<Uint32> pixels;
};
static std::unordered_map<SDL_Surface *, std::unique_ptr<Line>> lines;

EM_JS(void, read_canvas, (SDL_Surface * surface, Uint32 *pixels), {
    const canvas = SDL.surfaces[surface];
    HEAPU8.set(canvas.ctx.getImageData(0, 0, canvas.width, canvas.height).data, pixels);
});

EM_JS(void, put_canvas, (const Uint32 *pixels, int w, int h), {
    const screen = SDL.surfaces[SDL.screen];
    if (!screen.watched) {
        // The browser may drop the canvas's pixels (a tab in the background) and give it back
        // empty: the frame it showed is then put on it again.
        screen.watched = true;
        screen.canvas.addEventListener("contextrestored", () => screen.emptied = true);
    }
    screen.ctx.putImageData(
        new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, w * h * 4), w, h), 0, 0);
});

// Whether the canvas was given back empty since the frame was last put on it.
EM_JS(bool, canvas_emptied, (), {
    const screen = SDL.surfaces[SDL.screen];
    const emptied = !!screen.emptied;
    screen.emptied = false;
    return emptied;
});

static bool in_memory(SDL_Surface *surface)
{
    return lines.count(surface) > 0;
}

extern "C" SDL_Surface *__real_SDL_CreateRGBSurface(Uint32 flags, int w, int h, int depth,
                                                    Uint32 red, Uint32 green, Uint32 blue,
                                                    Uint32 alpha);

// The text module's lines, 32-bit with alpha, are made here; any other surface by the browser's
// SDL.
extern "C" SDL_Surface *__wrap_SDL_CreateRGBSurface(Uint32 flags, int w, int h, int depth,
                                                    Uint32 red, Uint32 green, Uint32 blue,
                                                    Uint32 alpha)
{
    if (!(flags & SDL_SRCALPHA) || depth != 32 || w <= 0 || h <= 0)
        return __real_SDL_CreateRGBSurface(flags, w, h, depth, red, green, blue, alpha);
    std::unique_ptr<Line> line(new Line());
    line->pixels.resize(size_t(w) * h);
    line->format.BitsPerPixel = 32;
    line->format.BytesPerPixel = 4;
    line->format.Rmask = red;
    line->format.Gmask = green;
    line->format.Bmask = blue;
    line->format.Amask = alpha;
    SDL_Surface &surface = line->surface;
    surface.flags = flags;
    surface.format = &line->format;
    surface.w = w;
    surface.h = h;
    surface.pitch = w * 4;
    surface.pixels = line->pixels.data();
    surface.clip_rect.w = w;
    surface.clip_rect.h = h;
    surface.refcount = 1;
    return lines.emplace(&surface, std::move(line)).first->first;
}

static const Uint32 *picture_pixels(SDL_Surface *surface)
{
    std::vector<Uint32> &pixels = pictures[surface];
    if (pixels.empty()) {
        pixels.resize(size_t(surface->w) * surface->h);
        read_canvas(surface, pixels.data());
    }
    return pixels.data();
}

// The part of the rectangle inside the clip rectangle, as SDL clips.
static SDL_Rect clipped(const SDL_Rect &clip, int x, int y, int w, int h)
{
    const int left = std::max<int>(x, clip.x), top = std::max<int>(y, clip.y);
    const int right = std::min<int>(x + w, clip.x + clip.w);
    const int bottom = std::min<int>(y + h, clip.y + clip.h);
    SDL_Rect inside;
    inside.x = left;
    inside.y = top;
    inside.w = std::max(right - left, 0);
    inside.h = std::max(bottom - top, 0);
    return inside;
}

static bool composing(SDL_Surface *surface)
{
    if (surface != SDL_GetVideoSurface())
        return false;
    frame.resize(size_t(surface->w) * surface->h);
    return true;
}

extern "C" int __real_SDL_FillRect(SDL_Surface *surface, SDL_Rect *rect, Uint32 colour);

// The screen's fills go to the frame; SDL_MapRGB's colours are opaque.
extern "C" int __wrap_SDL_FillRect(SDL_Surface *surface, SDL_Rect *rect, Uint32 colour)
{
    if (in_memory(surface)) {
        SDL_SetError("a line of text is filled by the text module alone");
        return -1;
    }
    if (!composing(surface))
        return __real_SDL_FillRect(surface, rect, colour);
    const SDL_Rect r = rect ? clipped(surface->clip_rect, rect->x, rect->y, rect->w, rect->h)
                            : surface->clip_rect;
    if (rect)
        *rect = r;
    for (int y = r.y; y < r.y + r.h; y++)
        std::fill_n(&frame[size_t(y) * surface->w + r.x], r.w, colour | OPAQUE);
    return 0;
}

extern "C" int __real_SDL_UpperBlit(SDL_Surface *source, SDL_Rect *from, SDL_Surface *surface,
                                    SDL_Rect *to);

// The screen's blits go to the frame: the pictures are opaque, and copied; the text is opaque on
// a transparent ground, so its pixels are copied or, where they are transparent, left.
int compose_blit(SDL_Surface *source, SDL_Rect *from, SDL_Surface *surface, SDL_Rect *to)
{
    if (!composing(surface)) {
        if (in_memory(source) || in_memory(surface)) {
            SDL_SetError("a line of text is drawn on the screen alone");
            return -1;
        }
        return __real_SDL_UpperBlit(source, from, surface, to);
    }
    SDL_Rect whole;
    whole.x = whole.y = 0;
    whole.w = source->w;
    whole.h = source->h;
    const SDL_Rect s = from ? clipped(whole, from->x, from->y, from->w, from->h) : whole;
    const int x = (to ? to->x : 0) + s.x - (from ? from->x : 0);  // as far as the source moved
    const int y = (to ? to->y : 0) + s.y - (from ? from->y : 0);
    const SDL_Rect r = clipped(surface->clip_rect, x, y, s.w, s.h);
    if (to)
        *to = r;
    const bool line = in_memory(source);
    const Uint32 *pixels = line ? (const Uint32 *)source->pixels : picture_pixels(source);
    const int pitch = line ? source->pitch / 4 : source->w;
    for (int row = 0; row < r.h; row++) {
        const Uint32 *in = pixels + size_t(s.y + r.y - y + row) * pitch + s.x + r.x - x;
        Uint32 *out = &frame[size_t(r.y + row) * surface->w + r.x];
        if (!line)
            std::copy_n(in, r.w, out);
        else
            for (int column = 0; column < r.w; column++)
                if (in[column] & OPAQUE)
                    out[column] = in[column];
    }
    return 0;
}

extern "C" int __real_SDL_LockSurface(SDL_Surface *surface);
extern "C" void __real_SDL_UnlockSurface(SDL_Surface *surface);

// A line has nothing to lock: its pixels are in memory alone.
extern "C" int __wrap_SDL_LockSurface(SDL_Surface *surface)
{
    return in_memory(surface) ? 0 : __real_SDL_LockSurface(surface);
}

extern "C" void __wrap_SDL_UnlockSurface(SDL_Surface *surface)
{
    if (!in_memory(surface))
        __real_SDL_UnlockSurface(surface);
}

extern "C" void __real_SDL_FreeSurface(SDL_Surface *surface);

extern "C" void __wrap_SDL_FreeSurface(SDL_Surface *surface)
{
    if (lines.erase(surface))
        return;
    pictures.erase(surface);
    __real_SDL_FreeSurface(surface);
}

// Whether the frame is the one shown, compared a pixel at a time (memcmp takes a byte).
static bool unchanged()
{
    if (frame.size() != shown.size())
        return false;
    for (size_t i = 0; i < frame.size(); i++)
        if (frame[i] != shown[i])
            return false;
    return true;
}

void present_frame(SDL_Surface *screen)
{
    if (canvas_emptied())
        shown.clear();
    if (frame.empty() || unchanged())
        return;
    shown = frame;
    put_canvas(shown.data(), screen->w, screen->h);
}
