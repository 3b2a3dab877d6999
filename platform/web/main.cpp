// The game's start in a browser: runs the game's own main, gives the browser its turn at every
// frame the game presents, and tells the page what each new frame shows, for a screen reader.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <emscripten.h>
#include <SDL.h>
#include <SDL_ttf.h>

#include "compositor.h"
#include "layout.h"
#include "spin.h"

int zorvanel_main(int argc, char *argv[]);  // the game's main, compiled under that name here

// The link wraps the calls below (web.cmake): the platform learns which picture is which from
// the files the game opens, which lands in which slot from its blits, and the score from the
// text it renders, all without touching the game.
constexpr int MOST_PICTURES = 16;
constexpr size_t TEXT_ROOM = 64;

struct Picture {
    SDL_Surface *surface;
    char file[TEXT_ROOM];
};
struct Slot {
    int x;
    const char *file;
};

static Picture pictures[MOST_PICTURES];
static int picture_count;
static SDL_RWops *opened;  // the file SDL_RWFromFile opened last, and its name
static char opened_file[TEXT_ROOM];
static Slot landed[REEL_COUNT];  // the pictures blitted onto the screen since the last frame
static int landed_count;
static char score_text[TEXT_ROOM];
static char told[REEL_COUNT][TEXT_ROOM], told_score[TEXT_ROOM];  // what the page heard last

// Tells the page a frame is shown, then waits for the browser's next animation frame.
EM_ASYNC_JS(void, next_animation_frame, (), {
    if (Module.framePresented)
        Module.framePresented();
    await new Promise(requestAnimationFrame);
});

EM_JS(void, tell_page_shown, (const char *left, const char *middle, const char *right,
                              const char *score), {
    if (Module.gameShows)
        Module.gameShows([left, middle, right].map(name => UTF8ToString(name)),
                         UTF8ToString(score));
});

EM_JS(void, tell_page_unopened, (const char *file), {
    if (Module.gameCouldNotOpen)
        Module.gameCouldNotOpen(UTF8ToString(file));
});

// The browser's SDL listens for the page's unload, which keeps the page out of the browser's
// back/forward cache, for the sake of an Emscripten main loop, which the game does not run. While
// its SDL_Init runs, the window refuses unload listeners, counting them.
EM_JS(void, refuse_unload_listeners, (), {
    Module.unloadRefused = 0;
    window.addEventListener = function (type) {
        if (type === "unload")
            Module.unloadRefused++;
        else
            EventTarget.prototype.addEventListener.apply(this, arguments);
    };
});

// The browser's own addEventListener again; gives how many unload listeners were refused.
EM_JS(int, accept_unload_listeners, (), {
    delete window.addEventListener;
    return Module.unloadRefused;
});

extern "C" {
int __real_SDL_Init(Uint32 flags);
int __real_SDL_Flip(SDL_Surface *screen);
SDL_RWops *__real_SDL_RWFromFile(const char *file, const char *mode);
SDL_Surface *__real_SDL_LoadBMP_RW(SDL_RWops *source, int free_source);
TTF_Font *__real_TTF_OpenFont(const char *file, int point_size);
SDL_Surface *__real_TTF_RenderText_Solid(TTF_Font *font, const char *text, SDL_Color colour);

// A browser SDL that listens for unload elsewhere or otherwise is not kept out: said loudly.
int __wrap_SDL_Init(Uint32 flags)
{
    refuse_unload_listeners();
    const int initialised = __real_SDL_Init(flags);
    const int refused = accept_unload_listeners();
    if (refused != 1)
        fprintf(stderr, "The browser's SDL asked for %d unload listeners in SDL_Init, not 1: see"
                " platform/web/main.cpp\n", refused);
    return initialised;
}

SDL_RWops *__wrap_SDL_RWFromFile(const char *file, const char *mode)
{
    opened = __real_SDL_RWFromFile(file, mode);
    snprintf(opened_file, sizeof opened_file, "%s", file);
    return opened;
}

SDL_Surface *__wrap_SDL_LoadBMP_RW(SDL_RWops *source, int free_source)
{
    SDL_Surface *picture = __real_SDL_LoadBMP_RW(source, free_source);
    const char *file = source == opened ? opened_file : "";  // the browser's SDL counts from 0
    if (!picture)
        tell_page_unopened(file);
    else if (picture_count < MOST_PICTURES) {
        pictures[picture_count].surface = picture;
        snprintf(pictures[picture_count++].file, TEXT_ROOM, "%s", file);
    }
    return picture;
}

// SDL_BlitSurface is this, by SDL's own header; compositor.cpp draws what it blits.
int __wrap_SDL_UpperBlit(SDL_Surface *source, SDL_Rect *from, SDL_Surface *target,
                         SDL_Rect *to)
{
    if (target == SDL_GetVideoSurface() && landed_count < REEL_COUNT) {
        for (int i = 0; i < picture_count; i++) {
            if (pictures[i].surface == source)
                landed[landed_count++] = {to ? to->x : 0, pictures[i].file};
        }
    }
    return compose_blit(source, from, target, to);
}

TTF_Font *__wrap_TTF_OpenFont(const char *file, int point_size)
{
    TTF_Font *font = __real_TTF_OpenFont(file, point_size);
    if (!font)
        tell_page_unopened(file);
    return font;
}

SDL_Surface *__wrap_TTF_RenderText_Solid(TTF_Font *font, const char *text, SDL_Color colour)
{
    // The score line is the one that starts as its format does, up to the number.
    if (text && strncmp(text, SCORE_FORMAT, strcspn(SCORE_FORMAT, "%")) == 0)
        snprintf(score_text, sizeof score_text, "%s", text);
    return __real_TTF_RenderText_Solid(font, text, colour);
}

// The name players hear for a picture: its symbol's.
static const char *symbol_name(const char *file)
{
    for (int i = 0; i < SYMBOL_COUNT; i++) {
        if (strcmp(file, PICTURE_FILES[i]) == 0)
            return SYMBOL_NAMES[i];
    }
    return file;
}

// Tells the page the reels, left to right, and the score, when they differ from the last it
// heard: a frame that shows nothing new says nothing.
static void tell_what_is_shown()
{
    const char *names[REEL_COUNT] = {"", "", ""};
    for (int i = 0; i < landed_count; i++) {
        int left_of = 0;
        for (int j = 0; j < landed_count; j++)
            left_of += landed[j].x < landed[i].x || (landed[j].x == landed[i].x && j < i);
        names[left_of] = symbol_name(landed[i].file);
    }
    landed_count = 0;
    bool same = strcmp(told_score, score_text) == 0;
    for (int i = 0; i < REEL_COUNT; i++)
        same = same && strcmp(told[i], names[i]) == 0;
    if (same)
        return;
    for (int i = 0; i < REEL_COUNT; i++)
        snprintf(told[i], TEXT_ROOM, "%s", names[i]);
    snprintf(told_score, sizeof told_score, "%s", score_text);
    tell_page_shown(told[0], told[1], told[2], told_score);
}

// Every SDL_Flip of the game comes here: a play loop that never returned to the browser would
// freeze the tab, and this one waits for the next frame instead.
int __wrap_SDL_Flip(SDL_Surface *screen)
{
    present_frame(screen);
    const int flipped = __real_SDL_Flip(screen);
    tell_what_is_shown();
    next_animation_frame();
    return flipped;
}
}

static int game_status;

// exit() ends the runtime by throwing. Thrown from the game's last frame, it would leave through
// the promise that frame waited on, as an error the browser reports; thrown from a turn of its
// own, the runtime takes it as the normal end it is.
static void end_game(void *)
{
    exit(game_status);
}

// Under ASYNCIFY the value main returns is lost, so the game's status leaves through exit().
int main(int argc, char *argv[])
{
    game_status = zorvanel_main(argc, argv);
    emscripten_async_call(end_game, nullptr, 0);
    return 0;
}
