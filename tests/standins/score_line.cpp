// Draws the score line that a game seeded with SEED shows after SPINS spinning keys, as a BMP of
// the line on the game's background, and prints its width, height and text.
#include <cstdio>
#include <cstdlib>

#include <SDL.h>
#include <SDL_ttf.h>

#include "layout.h"
#include "spin.h"

int main(int argc, char *argv[])
{
    if (argc != 5) {
        fprintf(stderr, "usage: score_line SEED SPINS FONT OUT.bmp\n");
        return 2;
    }
    srand(strtoul(argv[1], NULL, 10));
    int32_t reels[REEL_COUNT];
    int32_t score = spin_reels(reels);  // the opening spin
    for (int spins = atoi(argv[2]); spins > 0; spins--)
        score = add_points(score, spin_reels(reels));

    char text[64];
    snprintf(text, sizeof text, SCORE_FORMAT, score);
    TTF_Font *font = TTF_Init() == 0 ? TTF_OpenFont(argv[3], SCORE_POINT_SIZE) : NULL;
    SDL_Surface *line = font ? TTF_RenderText_Solid(font, text, TEXT_COLOUR) : NULL;
    if (!line) {
        fprintf(stderr, "score_line: cannot render \"%s\": %s\n", text, SDL_GetError());
        return 1;
    }
    SDL_Surface *out = SDL_CreateRGBSurface(SDL_SWSURFACE, line->w, line->h, 24,
                                            0xff0000, 0x00ff00, 0x0000ff, 0);
    const Uint32 background =
        SDL_MapRGB(out->format, BACKGROUND_RED, BACKGROUND_GREEN, BACKGROUND_BLUE);
    SDL_FillRect(out, NULL, background);
    SDL_BlitSurface(line, NULL, out, NULL);
    const int saved = SDL_SaveBMP(out, argv[4]);
    printf("%d %d %s\n", line->w, line->h, text);
    SDL_FreeSurface(out);
    SDL_FreeSurface(line);
    TTF_CloseFont(font);
    TTF_Quit();
    return saved == 0 ? 0 : 1;
}
