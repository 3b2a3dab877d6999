// Preloaded into the game to count the frames it presents, in the file that ZORVANEL_FRAMES names.
#include <cstdio>
#include <cstdlib>

#include <dlfcn.h>
#include <SDL.h>

static long frames;

static void save_count()
{
    const char *path = getenv("ZORVANEL_FRAMES");
    if (!path || frames == 0)  // other programs may load this too; they present nothing
        return;
    if (FILE *file = fopen(path, "w")) {
        fprintf(file, "%ld\n", frames);
        fclose(file);
    }
}

extern "C" int SDL_Flip(SDL_Surface *screen)
{
    static const auto real_flip =
        reinterpret_cast<int (*)(SDL_Surface *)>(dlsym(RTLD_NEXT, "SDL_Flip"));
    if (++frames % 50 == 0)  // so a test can watch the count while the game runs
        save_count();
    return real_flip(screen);
}

__attribute__((destructor)) static void save_final_count()
{
    save_count();
}
