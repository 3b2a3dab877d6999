// The web's compositor of the game's frames (platform/web/compositor.cpp).
#ifndef ZORVANEL_COMPOSITOR_H
#define ZORVANEL_COMPOSITOR_H

#include <SDL.h>

// Blits as SDL_BlitSurface does, onto the frame being composed when the target is the screen.
int compose_blit(SDL_Surface *source, SDL_Rect *from, SDL_Surface *surface, SDL_Rect *to);

// Shows the frame the game composed on its screen since the last one, on the page's canvas.
void present_frame(SDL_Surface *screen);

#endif
