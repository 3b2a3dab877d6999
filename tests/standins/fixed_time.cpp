// Preloaded into the game so that time() answers ZORVANEL_TIME, and the test knows the reels it draws.
#include <cstdlib>
#include <ctime>

extern "C" time_t time(time_t *now)
{
    const char *fixed = getenv("ZORVANEL_TIME");
    const time_t value = fixed ? strtoll(fixed, NULL, 10) : 0;
    if (now)
        *now = value;
    return value;
}
