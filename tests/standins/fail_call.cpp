// Preloaded into the game to make the one call that ZORVANEL_FAIL names fail, as it can for a
// player: SDL_Init, SDL_VideoDriverName (naming a driver that shows nothing), TTF_Init,
// SDL_SetVideoMode or TTF_RenderText_Solid. Every other call goes on to the library.
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>

#include <SDL.h>
#include <SDL_ttf.h>

static bool failing(const char *call)
{
    const char *chosen = getenv("ZORVANEL_FAIL");
    return chosen && strcmp(chosen, call) == 0;
}

// A failed call's result, with its reason for SDL_GetError.
template <typename Result> static Result refused(Result result)
{
    SDL_SetError("refused by the stand-in");
    return result;
}

// The library's own function of the same name and type.
template <typename Function> static Function library(Function, const char *name)
{
    return (Function)dlsym(RTLD_NEXT, name);
}

extern "C" int SDL_Init(Uint32 flags)
{
    return failing("SDL_Init") ? refused(-1) : library(SDL_Init, "SDL_Init")(flags);
}

extern "C" char *SDL_VideoDriverName(char *name, int length)
{
    return failing("SDL_VideoDriverName")
               ? strncpy(name, "dummy", length)
               : library(SDL_VideoDriverName, "SDL_VideoDriverName")(name, length);
}

extern "C" int TTF_Init(void)
{
    return failing("TTF_Init") ? refused(-1) : library(TTF_Init, "TTF_Init")();
}

extern "C" SDL_Surface *SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    return failing("SDL_SetVideoMode")
               ? refused<SDL_Surface *>(NULL)
               : library(SDL_SetVideoMode, "SDL_SetVideoMode")(width, height, bpp, flags);
}

extern "C" SDL_Surface *TTF_RenderText_Solid(TTF_Font *font, const char *text, SDL_Color fg)
{
    return failing("TTF_RenderText_Solid")
               ? refused<SDL_Surface *>(NULL)
               : library(TTF_RenderText_Solid, "TTF_RenderText_Solid")(font, text, fg);
}
