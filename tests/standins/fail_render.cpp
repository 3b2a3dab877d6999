// Preloaded into the game to make every text line fail to render.
#include <SDL_ttf.h>

extern "C" SDL_Surface *TTF_RenderText_Solid(TTF_Font *, const char *, SDL_Color)
{
    return NULL;
}
