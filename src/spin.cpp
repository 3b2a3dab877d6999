// The spin: three random reels, each scored against the leftmost one.
#include "spin.h"

#include <algorithm>
#include <cstdlib>

constexpr int THREE_ALIKE = 75;
constexpr int STRONG_PAIR = 40;  // reels 0 and 1 alike on Cherry, Bar or Lemon
constexpr int WEAK_PAIR = 10;    // reels 0 and 1 alike on Bell, Raspberry or Seven
constexpr int OUTER_PAIR = 10;   // reels 0 and 2 alike
constexpr int NO_MATCH = -10;

int spin_reels(int32_t reels[REEL_COUNT])
{
    for (int i = 0; i < REEL_COUNT; i++)
        reels[i] = rand() % SYMBOL_COUNT;

    // Every rule compares against reel 0: reels 1 and 2 alike on their own earn nothing.
    const int32_t a = reels[0], b = reels[1], c = reels[2];
    if (a == b && a == c)
        return THREE_ALIKE;
    if (a == b)
        return (a == CHERRY || a == BAR || a == LEMON) ? STRONG_PAIR : WEAK_PAIR;
    if (a == c)
        return OUTER_PAIR;
    return NO_MATCH;
}

int32_t add_points(int32_t score, int points)
{
    const int64_t sum = int64_t{score} + points;
    return int32_t(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}
