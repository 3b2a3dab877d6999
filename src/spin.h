// The game's rule: one spin of the three reels and the points it earns.
#ifndef ZORVANEL_SPIN_H
#define ZORVANEL_SPIN_H

#include <cstdint>

#include "symbols.h"  // the build's, from its list of pictures

constexpr int REEL_COUNT = 3;  // reel 0 is the leftmost

// Draws a new symbol into each reel, left to right, and returns the spin's points.
int spin_reels(int32_t reels[REEL_COUNT]);

// Adds a spin's points to the score, holding it at the 32-bit limits instead of wrapping.
int32_t add_points(int32_t score, int points);

#endif
