// Preloaded into the game so that it never learns which video driver SDL chose, and so leaves
// the way frames are presented to SDL, as the game did before choosing that itself on X11.
#include <SDL.h>

extern "C" char *SDL_VideoDriverName(char *, int)
{
    return NULL;
}
