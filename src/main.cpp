// Zorvanel's start-up: opens the captioned window and hands it to the play screen.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

#include <SDL.h>
#include <SDL_ttf.h>

#include "layout.h"
#include "play_screen.h"

constexpr int WINDOW_BPP = 24;

// Left to choose by itself without a display, SDL may settle on a driver that draws where
// nobody can see (SDL2's offscreen, say); one the player names in SDL_VIDEODRIVER is theirs.
static bool shows_nothing()
{
    const char *asked = getenv("SDL_VIDEODRIVER");
    char driver[32];
    if ((asked && *asked) || !SDL_VideoDriverName(driver, sizeof driver))
        return false;
    return strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0;
}

// A closed standard stream's number would go to the next file opened, the X connection say, and
// the trace would be written into it; a read-only stand-in holds the place and refuses writes.
static void hold_closed_streams()
{
    int fd;
    do
        fd = open("/dev/null", O_RDONLY);
    while (fd >= 0 && fd <= STDERR_FILENO);
    if (fd > STDERR_FILENO)
        close(fd);
}

int main(int, char *[])
{
    hold_closed_streams();
    srand(time(NULL));

    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        printf("Unable to init SDL: %s\n", SDL_GetError());
        return 1;
    }
    atexit(SDL_Quit);  // every later way out, the play screen's exit on a missing asset too
    if (shows_nothing()) {
        puts("Unable to init SDL: no display to show the game on");
        return 1;
    }
    if (TTF_Init() < 0) {
        puts("Unable to init TTF!");
        return 1;
    }
    atexit(TTF_Quit);  // runs before SDL_Quit, after the play screen has closed its fonts

    // Either flag may be refused; SDL_Flip presents the frame whichever we get.
    SDL_Surface *screen = SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_BPP,
                                           SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (!screen) {
        printf("Unable to set video mode: %s\n", SDL_GetError());
        return 1;
    }
    SDL_WM_SetCaption("Zorvanel", NULL);

    return run_play_screen(screen);
}
