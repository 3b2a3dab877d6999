// The play screen: loads the art, lays it out, and runs the play loop until the player quits.
#include "play_screen.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <SDL_ttf.h>

#include "layout.h"
#include "spin.h"

// The layout takes its sizes from the cherry picture.
constexpr int FIRST_SLOT_X = 20;
constexpr int SLOT_Y = 20;
constexpr int SLOT_GAP = 5;
constexpr int SCORE_BELOW_PICTURE = 25;
constexpr int INSTRUCTION_BELOW_PICTURE = 55;

// Loads a picture, or gives NULL where it cannot be read or drawn: SDL loads some broken
// BMPs as surfaces with no pixels, or with 8 bits per pixel and no palette, which a blit
// would read out of bounds.
static SDL_Surface *load_picture(const char *file)
{
    SDL_Surface *picture = SDL_LoadBMP(file);
    if (picture && (picture->w <= 0 || picture->h <= 0 ||
                    (picture->format->BitsPerPixel <= 8 && !picture->format->palette))) {
        SDL_FreeSurface(picture);
        return NULL;
    }
    return picture;
}

int run_play_screen(SDL_Surface *screen)
{
    SDL_Surface *pictures[SYMBOL_COUNT];
    for (int i = 0; i < SYMBOL_COUNT; i++) {
        pictures[i] = load_picture(PICTURE_FILES[i]);
        if (!pictures[i])
            exit(1);  // a missing or unreadable picture ends the game at once, silently
    }
    TTF_Font *score_font = TTF_OpenFont(FONT_FILE, SCORE_POINT_SIZE);
    TTF_Font *instruction_font = TTF_OpenFont(FONT_FILE, INSTRUCTION_POINT_SIZE);
    if (!score_font || !instruction_font) {
        TTF_CloseFont(score_font ? score_font : instruction_font);
        exit(1);
    }

    // The trace prints each next slot's x as the 16-bit coordinate would hold it.
    const int step = pictures[CHERRY]->w + SLOT_GAP;
    SDL_Rect slots[REEL_COUNT] = {};
    Sint16 x = FIRST_SLOT_X;
    for (int i = 0; i < REEL_COUNT; i++) {
        slots[i].x = x;
        slots[i].y = SLOT_Y;
        x = x + step;
        printf("%d\n", x);
    }
    SDL_Rect score_rect = {};
    score_rect.y = pictures[CHERRY]->h + SCORE_BELOW_PICTURE;
    SDL_Rect instruction_rect = {};
    instruction_rect.y = pictures[CHERRY]->h + INSTRUCTION_BELOW_PICTURE;
    const Uint32 background = SDL_MapRGB(screen->format, BACKGROUND_RED, BACKGROUND_GREEN,
                                         BACKGROUND_BLUE);

    int32_t reels[REEL_COUNT];
    int32_t score = spin_reels(reels);  // the first frame already shows a spin
    char score_text[sizeof "Score:  -2147483648"];
    bool quit = false;

    // SDL clips a blit by moving its rectangle, so each blit gets a copy of the layout;
    // a line that could not be rendered is left out of the frame.
    const auto draw = [screen](SDL_Surface *surface, SDL_Rect at) {
        if (surface)
            SDL_BlitSurface(surface, NULL, screen, &at);
    };

    while (!quit) {
        // Drain the queue: keys pressed behind a quit request still spin.
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT)
                quit = true;
            else if (event.type == SDL_KEYDOWN && (event.key.keysym.sym == SDLK_q ||
                                                   event.key.keysym.sym == SDLK_ESCAPE))
                quit = true;
            else if (event.type == SDL_KEYDOWN)
                score = add_points(score, spin_reels(reels));
        }

        snprintf(score_text, sizeof score_text, SCORE_FORMAT, score);
        SDL_Surface *score_line = TTF_RenderText_Solid(score_font, score_text, TEXT_COLOUR);
        SDL_Surface *instruction_line =
            TTF_RenderText_Solid(instruction_font, INSTRUCTION_TEXT, TEXT_COLOUR);
        if (score_line)
            score_rect.x = (screen->w - score_line->w) / 2;
        if (instruction_line)
            instruction_rect.x = (screen->w - instruction_line->w) / 2;

        SDL_FillRect(screen, NULL, background);
        for (int i = 0; i < REEL_COUNT; i++)
            draw(pictures[reels[i]], slots[i]);
        draw(score_line, score_rect);
        draw(instruction_line, instruction_rect);
        SDL_Flip(screen);
        SDL_FreeSurface(score_line);
        SDL_FreeSurface(instruction_line);
    }

    TTF_CloseFont(score_font);
    TTF_CloseFont(instruction_font);
    for (SDL_Surface *picture : pictures)
        SDL_FreeSurface(picture);

    // A trace that never reached standard output (a full disk, a closed stream) is a failure.
    // Only the flush sets errno here: a write that failed earlier leaves just the stream's error.
    errno = 0;
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "zorvanel: could not write the layout trace: %s\n",
                errno ? strerror(errno) : "write error");
        return 1;
    }
    return 0;
}
