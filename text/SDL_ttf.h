// The part of SDL_ttf 2.0's interface that the game uses, where ttf.cpp supplies it on FreeType.
#ifndef ZORVANEL_SDL_TTF_H
#define ZORVANEL_SDL_TTF_H

#include <SDL.h>

// A font file opened at one point size.
typedef struct TTF_Font TTF_Font;

extern "C" {
// Starts FreeType; returns 0, or -1 when it cannot start. Each call needs its TTF_Quit.
int TTF_Init(void);
// Stops FreeType once every TTF_Init has its TTF_Quit; close the fonts first.
void TTF_Quit(void);
// Opens a font file at a point size; NULL when the file cannot be opened as a font.
TTF_Font *TTF_OpenFont(const char *file, int ptsize);
// Frees what TTF_OpenFont took; NULL is ignored.
void TTF_CloseFont(TTF_Font *font);
// Renders Latin-1 text as SDL_ttf 2.0.11 lays it out. By default the surface is SDL_ttf's own:
// 8-bit, index 1 the colour, index 0 the key. Built with ZORVANEL_TTF_RGBA, for an SDL that
// draws neither palettes nor colour keys, it is 32-bit: the colour opaque on a transparent ground.
SDL_Surface *TTF_RenderText_Solid(TTF_Font *font, const char *text, SDL_Color fg);
}

#endif
