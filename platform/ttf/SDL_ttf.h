// The part of SDL_ttf 2.0's interface that the game uses, for Windows, where ttf.cpp supplies it.
#ifndef ZORVANEL_SDL_TTF_H
#define ZORVANEL_SDL_TTF_H

#include <SDL.h>

// A font file opened at one point size.
typedef struct TTF_Font TTF_Font;

extern "C" {
// Starts FreeType; returns 0, or -1 when it cannot start.
int TTF_Init(void);
// Opens a font file at a point size; NULL when the file cannot be opened as a font.
TTF_Font *TTF_OpenFont(const char *file, int ptsize);
// Renders Latin-1 text as SDL_ttf 2.0.11 does: 8-bit, index 1 the colour, index 0 the key.
SDL_Surface *TTF_RenderText_Solid(TTF_Font *font, const char *text, SDL_Color fg);
}

#endif
