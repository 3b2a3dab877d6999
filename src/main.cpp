// Zorvanel's start-up: opens the captioned window and hands it to the play screen.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>
#ifdef __linux__
#include <dlfcn.h>
#endif

#include <SDL.h>
#include <SDL_ttf.h>

#include "layout.h"
#include "play_screen.h"

constexpr int WINDOW_BPP = 24;
constexpr int SDL12_COMPAT_PATCH = 50;        // sdl12-compat calls itself 1.2.50 or later
constexpr int SDL12_COMPAT_RETRY_PATCH = 72;  // the first to retry a failed OpenGL window plainly
constexpr double BASE_DPI = 96;               // Xft.dpi of a desktop at 1x
// Where there is no Xft.dpi, the scales GTK and then Qt programs are told to take.
constexpr const char *TOOLKIT_SCALES[] = {"GDK_SCALE", "QT_SCALE_FACTOR"};

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

// The X server's Xft.dpi, which the X desktops set for every program as they scale; 0 where it is
// unset. SDL has loaded Xlib once it shows on X11, so the game borrows that copy rather than
// linking one of its own, and opens a connection of its own just to read the resources.
static double xft_dpi()
{
    double dpi = 0;
#ifdef __linux__
    void *xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!xlib)
        return 0;
    auto open_display = reinterpret_cast<void *(*)(const char *)>(dlsym(xlib, "XOpenDisplay"));
    auto resources = reinterpret_cast<char *(*)(void *)>(dlsym(xlib, "XResourceManagerString"));
    auto close_display = reinterpret_cast<int (*)(void *)>(dlsym(xlib, "XCloseDisplay"));
    void *display = open_display && resources && close_display ? open_display(NULL) : NULL;
    if (display) {
        // One resource a line, as xrdb writes them: "Xft.dpi:\t192".
        for (const char *line = resources(display); line; line = strchr(line, '\n')) {
            line += *line == '\n';
            if (strncmp(line, "Xft.dpi:", 8) == 0)
                dpi = atof(line + 8);
        }
        close_display(display);
    }
    dlclose(xlib);
#endif
    return dpi;
}

// The desktop's scale: Xft.dpi over 96, else the scale GTK or Qt programs are told to take.
static double desktop_scale()
{
    double scale = xft_dpi() / BASE_DPI;
    for (const char *name : TOOLKIT_SCALES) {
        const char *value = getenv(name);
        if (scale <= 0 && value)
            scale = atof(value);
    }
    return scale;
}

// Unless the player has chosen the window's size, it takes the desktop's scale rounded down, or
// the largest that still fits the screen: whole numbers keep every pixel of the game a square
// block. sdl12-compat reads the setting as it makes the window.
static void scale_window()
{
    static char setting[40];
    const SDL_VideoInfo *screen = SDL_GetVideoInfo();
    if (getenv("SDL12COMPAT_WINDOW_SCALING") || !screen)
        return;
    const double wanted = desktop_scale();
    int scale = 1;
    while (scale + 1 <= wanted && WINDOW_WIDTH * (scale + 1) <= screen->current_w &&
           WINDOW_HEIGHT * (scale + 1) <= screen->current_h)
        scale++;
    if (scale > 1) {
        snprintf(setting, sizeof setting, "SDL12COMPAT_WINDOW_SCALING=%d", scale);
        putenv(setting);
    }
}

// Starts SDL's video. sdl12-compat would load all of OpenGL to show a 2D picture, which software
// shows as well on X11: the hints ask SDL for its software renderer, and for an OpenGL library that
// cannot load, since sdl12-compat 1.2.70 and later ask for an OpenGL window whenever SDL's list of
// render drivers starts with OpenGL, whatever the hint, and since 1.2.72 make a plain one when that
// fails. SDL reads the hints as its video starts, so they go in first, and come out again, with a
// restart, where SDL chose another driver (SDL3 on Wayland draws nothing with them). A player who
// sets any of them decides all three. sdl12-compat scales the window by nearest pixels, which
// it reads as its video starts too, and which leaves a frame at its own size as it is.
static int init_video()
{
    static char nearest[] = "SDL12COMPAT_SCALE_METHOD=nearest";
    // Each hint as putenv takes it (it keeps the string, not a copy), its name (given no value,
    // putenv removes it), and the first sdl12-compat it is set for.
    static struct {
        char setting[40];
        char name[32];
        int from_patch;
    } hints[] = {
        {"SDL_RENDER_DRIVER=software", "SDL_RENDER_DRIVER", SDL12_COMPAT_PATCH},
        {"SDL_FRAMEBUFFER_ACCELERATION=0", "SDL_FRAMEBUFFER_ACCELERATION", SDL12_COMPAT_PATCH},
        {"SDL_OPENGL_LIBRARY=/dev/null", "SDL_OPENGL_LIBRARY", SDL12_COMPAT_RETRY_PATCH},
    };
    const int patch = SDL_Linked_Version()->patch;
    if (patch >= SDL12_COMPAT_PATCH && !getenv("SDL12COMPAT_SCALE_METHOD"))
        putenv(nearest);
    bool hinted = patch >= SDL12_COMPAT_PATCH;
    for (const auto &hint : hints)
        hinted = hinted && !getenv(hint.name);
    for (auto &hint : hints) {
        if (hinted && patch >= hint.from_patch)
            putenv(hint.setting);
    }
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        return -1;
    char driver[32];
    const bool x11 = SDL_VideoDriverName(driver, sizeof driver) && strcmp(driver, "x11") == 0;
    if (x11 && patch >= SDL12_COMPAT_PATCH)
        scale_window();
    if (!hinted || x11)
        return 0;
    for (auto &hint : hints)
        putenv(hint.name);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) < 0) {
        SDL_Quit();
        return -1;
    }
    return 0;
}

int main(int, char *[])
{
    hold_closed_streams();
    srand(time(NULL));

    if (init_video() < 0) {
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
