// Checks that the shipped font leaves both text lines room inside the window.
#include <gtest/gtest.h>

#include <SDL_ttf.h>

#include "layout.h"

constexpr int MARGIN = 10;  // the least space left on each side of a line

TEST(Font, BothLinesFitTheWindow)
{
    ASSERT_EQ(TTF_Init(), 0);
    const struct {
        int point_size;
        const char *text;
    } lines[] = {
        {SCORE_POINT_SIZE, "Score:  -2147483648"},  // the widest score there can be
        {INSTRUCTION_POINT_SIZE, INSTRUCTION_TEXT},
    };
    for (const auto &line : lines) {
        TTF_Font *font = TTF_OpenFont(ZORVANEL_FONT, line.point_size);
        ASSERT_NE(font, nullptr) << ZORVANEL_FONT;
        int width = 0, height = 0;
        ASSERT_EQ(TTF_SizeText(font, line.text, &width, &height), 0);
        printf("%d pt \"%s\": %d x %d\n", line.point_size, line.text, width, height);
        EXPECT_LE(width, WINDOW_WIDTH - 2 * MARGIN) << line.text;
        TTF_CloseFont(font);
    }
    TTF_Quit();
}
