// The play screen: everything between an open window and the end of the game.
#ifndef ZORVANEL_PLAY_SCREEN_H
#define ZORVANEL_PLAY_SCREEN_H

#include <SDL.h>

// Loads the pictures and fonts, plays on screen until the player quits, and returns 0, or 1
// when the layout trace could not be written.
int run_play_screen(SDL_Surface *screen);

#endif
