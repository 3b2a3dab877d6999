// Tests of the spin rule; this program supplies its own rand() so each test scripts the reels.
#include <climits>
#include <cstdlib>
#include <deque>
#include <map>

#include <gtest/gtest.h>

#include "spin.h"

static std::deque<int> scripted_rand;  // values the next rand() calls return, in order
static int rand_calls;

extern "C" int rand() noexcept
{
    rand_calls++;
    if (scripted_rand.empty())
        return 0;
    const int value = scripted_rand.front();
    scripted_rand.pop_front();
    return value;
}

// Spins once with rand() returning the given values, checking it asked exactly three times.
static int spin_with(std::deque<int> values, int32_t reels[REEL_COUNT])
{
    scripted_rand = values;
    rand_calls = 0;
    const int points = spin_reels(reels);
    EXPECT_EQ(rand_calls, 3);
    return points;
}

TEST(SpinReels, PaysEachReelSetAsTheRuleSays)
{
    const struct {
        int32_t a, b, c;
        int points;
    } cases[] = {
        {4, 4, 4, 75}, {5, 5, 5, 75}, {0, 0, 0, 75},   // three alike
        {0, 0, 5, 40}, {1, 1, 0, 40}, {3, 3, 2, 40},   // first pair, strong symbol
        {2, 2, 0, 10}, {4, 4, 1, 10}, {5, 5, 3, 10},   // first pair, weak symbol
        {1, 0, 1, 10}, {5, 2, 5, 10},                  // outer pair
        {0, 1, 1, -10}, {0, 1, 2, -10}, {3, 5, 4, -10}, // no match with reel 0
    };
    for (const auto &t : cases) {
        int32_t reels[REEL_COUNT] = {-1, -1, -1};
        const int points = spin_with({t.a, t.b, t.c}, reels);
        EXPECT_EQ(points, t.points) << "reels " << t.a << t.b << t.c;
        // The reels the caller holds are the ones that earned the points.
        EXPECT_EQ(reels[0], t.a);
        EXPECT_EQ(reels[1], t.b);
        EXPECT_EQ(reels[2], t.c);
    }
}

TEST(SpinReels, DrawsReelsLeftToRightAsRandModuloSix)
{
    int32_t reels[REEL_COUNT] = {-1, -1, -1};
    spin_with({6 * 1000 + 3, RAND_MAX, 6 * 7 + 5}, reels);
    EXPECT_EQ(reels[0], 3);
    EXPECT_EQ(reels[1], RAND_MAX % 6);
    EXPECT_EQ(reels[2], 5);
}

TEST(SpinReels, IsFairOverAllReelSets)
{
    std::map<int, int> outcomes;  // points -> how many of the 216 reel sets pay them
    int sum = 0;
    for (int a = 0; a < SYMBOL_COUNT; a++)
        for (int b = 0; b < SYMBOL_COUNT; b++)
            for (int c = 0; c < SYMBOL_COUNT; c++) {
                int32_t reels[REEL_COUNT];
                const int points = spin_with({a, b, c}, reels);
                outcomes[points]++;
                sum += points;
            }
    EXPECT_EQ(sum, 0);
    EXPECT_EQ(outcomes, (std::map<int, int>{{75, 6}, {40, 15}, {10, 45}, {-10, 150}}));
}

TEST(AddPoints, HoldsTheScoreAtTheLimits)
{
    const struct {
        int32_t score;
        int points;
        int32_t sum;
    } cases[] = {
        {0, 75, 75},
        {-10, -10, -20},
        {INT32_MAX - 10, 75, INT32_MAX},
        {INT32_MAX, -10, INT32_MAX - 10},
        {INT32_MIN + 5, -10, INT32_MIN},
        {INT32_MIN, 40, INT32_MIN + 40},
    };
    for (const auto &t : cases)
        EXPECT_EQ(add_points(t.score, t.points), t.sum) << t.score << " + " << t.points;
}
