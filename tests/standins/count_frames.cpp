// Preloaded into the game to count the frames it presents, in the file that ZORVANEL_FRAMES names,
// and to note the time of its first, in milliseconds since 1970, in the one ZORVANEL_FIRST_FRAME
// names. Each file is written under another name and renamed into place, so that a reader sees it
// whole or not at all.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include <dlfcn.h>
#include <SDL.h>

static long frames;

static void save(const char *variable, long value)
{
    const char *path = getenv(variable);
    if (!path || frames == 0)  // other programs may load this too; they present nothing
        return;
    const std::string part = std::string(path) + ".part";
    FILE *file = fopen(part.c_str(), "w");
    if (!file)
        return;
    const bool written = fprintf(file, "%ld\n", value) > 0;
    if (fclose(file) == 0 && written)
        rename(part.c_str(), path);
}

extern "C" int SDL_Flip(SDL_Surface *screen)
{
    static const auto real_flip =
        reinterpret_cast<int (*)(SDL_Surface *)>(dlsym(RTLD_NEXT, "SDL_Flip"));
    int result = real_flip(screen);
    if (++frames == 1) {
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);  // the clock of whoever launched the game
        save("ZORVANEL_FIRST_FRAME", now.tv_sec * 1000 + now.tv_nsec / 1000000);
    }
    if (frames % 50 == 0)  // so a test can watch the count while the game runs
        save("ZORVANEL_FRAMES", frames);
    return result;
}

__attribute__((destructor)) static void save_final_count()
{
    save("ZORVANEL_FRAMES", frames);
}
