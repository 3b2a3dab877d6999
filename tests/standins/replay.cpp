// Preloaded into the Linux game to replay a game seen elsewhere: rand() gives the reels that
// ZORVANEL_REELS lists, every frame is saved as ZORVANEL_FRAMES/N.bmp and its score line as a
// line of ZORVANEL_FRAMES/scores, and after each of the first ZORVANEL_SPINS frames a key that
// spins is queued, after the next one Q.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dlfcn.h>
#include <SDL.h>

static int frames;

// SDL_ttf's, declared here with the font left opaque; the game renders one score line a frame.
extern "C" SDL_Surface *TTF_RenderText_Solid(void *font, const char *text, SDL_Color colour)
{
    static const auto real_render = reinterpret_cast<SDL_Surface *(*)(void *, const char *,
        SDL_Color)>(dlsym(RTLD_NEXT, "TTF_RenderText_Solid"));
    static FILE *scores =
        fopen((std::string(getenv("ZORVANEL_FRAMES")) + "/scores").c_str(), "w");
    if (!scores || (strncmp(text, "Score", 5) == 0 && fprintf(scores, "%s\n", text) < 0))
        exit(3);
    return real_render(font, text, colour);
}

extern "C" int rand(void)
{
    static const char *next = getenv("ZORVANEL_REELS");
    char *end;
    const long reel = next ? strtol(next, &end, 10) : 0;
    if (!next || end == next) {
        fprintf(stderr, "replay: ZORVANEL_REELS has no more reels\n");
        exit(3);
    }
    next = end;
    return int(reel);  // the game takes rand() modulo the six symbols
}

extern "C" int SDL_Flip(SDL_Surface *screen)
{
    static const auto real_flip =
        reinterpret_cast<int (*)(SDL_Surface *)>(dlsym(RTLD_NEXT, "SDL_Flip"));
    const int flipped = real_flip(screen);
    char path[4096];
    snprintf(path, sizeof path, "%s/%d.bmp", getenv("ZORVANEL_FRAMES"), frames);
    if (SDL_SaveBMP(screen, path) != 0) {
        fprintf(stderr, "replay: cannot save %s: %s\n", path, SDL_GetError());
        exit(3);
    }
    SDL_Event key = {};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = frames++ < atoi(getenv("ZORVANEL_SPINS")) ? SDLK_SPACE : SDLK_q;
    SDL_PushEvent(&key);
    return flipped;
}
