// Preloaded into the game to make the one call that ZORVANEL_FAIL names fail, as it can for a
// player: SDL_Init, SDL_VideoDriverName (naming a driver that shows nothing), TTF_Init,
// SDL_SetVideoMode or TTF_RenderText_Solid. Every other call goes on to the library.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>

#include <SDL.h>
#include <SDL_ttf.h>

constexpr char REASON[] = "refused by the stand-in";  // the SDL error of a call made to fail

static bool failing(const char *call)
{
    const char *chosen = getenv("ZORVANEL_FAIL");
    return chosen && strcmp(chosen, call) == 0;
}

// The library's own function of the same name and type.
template <typename Function> static Function library(Function, const char *name)
{
    return (Function)dlsym(RTLD_NEXT, name);
}

extern "C" int SDL_Init(Uint32 flags)
{
    if (!failing("SDL_Init"))
        return library(SDL_Init, "SDL_Init")(flags);
    SDL_SetError(REASON);
    return -1;
}

extern "C" char *SDL_VideoDriverName(char *name, int length)
{
    if (!failing("SDL_VideoDriverName"))
        return library(SDL_VideoDriverName, "SDL_VideoDriverName")(name, length);
    snprintf(name, length, "dummy");
    return name;
}

extern "C" int TTF_Init(void)
{
    return failing("TTF_Init") ? -1 : library(TTF_Init, "TTF_Init")();
}

extern "C" SDL_Surface *SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    if (!failing("SDL_SetVideoMode"))
        return library(SDL_SetVideoMode, "SDL_SetVideoMode")(width, height, bpp, flags);
    SDL_SetError(REASON);
    return NULL;
}

extern "C" SDL_Surface *TTF_RenderText_Solid(TTF_Font *font, const char *text, SDL_Color fg)
{
    if (failing("TTF_RenderText_Solid"))
        return NULL;
    return library(TTF_RenderText_Solid, "TTF_RenderText_Solid")(font, text, fg);
}
