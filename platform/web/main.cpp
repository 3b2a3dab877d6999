// The game's start in a browser: runs the game's own main and gives the browser its turn at
// every frame the game presents.
#include <cstdlib>

#include <emscripten.h>
#include <SDL.h>

#include "frame.h"

int zorvanel_main(int argc, char *argv[]);  // the game's main, compiled under that name here

// Tells the page a frame is shown, then waits for the browser's next animation frame.
EM_ASYNC_JS(void, next_animation_frame, (), {
    if (Module.framePresented)
        Module.framePresented();
    await new Promise(requestAnimationFrame);
});

extern "C" int __real_SDL_Flip(SDL_Surface *screen);

// Every SDL_Flip of the game comes here (the link wraps it): a play loop that never returned
// to the browser would freeze the tab, and this one waits for the next frame instead.
extern "C" int __wrap_SDL_Flip(SDL_Surface *screen)
{
    present_frame(screen);
    const int flipped = __real_SDL_Flip(screen);
    next_animation_frame();
    return flipped;
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
