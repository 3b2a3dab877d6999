// The window's size and the look of its text, shared by the game and the tests that check it.
#ifndef ZORVANEL_LAYOUT_H
#define ZORVANEL_LAYOUT_H

#include <SDL.h>

constexpr int WINDOW_WIDTH = 430;  // fixed, whatever the size of the pictures
constexpr int WINDOW_HEIGHT = 240;

constexpr int SCORE_POINT_SIZE = 28;
constexpr int INSTRUCTION_POINT_SIZE = 20;
constexpr const char *SCORE_FORMAT = "Score:  %d";
constexpr const char *INSTRUCTION_TEXT = "Q / ESC to Quit, Any Other Key to Play";
constexpr SDL_Color TEXT_COLOUR = {255, 255, 255, 0};
constexpr Uint8 BACKGROUND_RED = 0, BACKGROUND_GREEN = 127, BACKGROUND_BLUE = 255;

#endif
