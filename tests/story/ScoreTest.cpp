// SPDX-License-Identifier: MIT
#include "story/Score.h"
#include "story/StoryText.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace hanashi;

TEST(Score, GainsAndLossesFollowTheLevel) {
    struct Case {
        std::int16_t score, index;
        int max, value;
        std::int16_t after;
    };
    const Case cases[] = {
        {0, 0, 100, 10, 100}, // start-up level: 100 up
        {0, 1, 100, 10, -50}, // and 50 down
        {0, 0, 100, 1, 109},
        {0, 1, 100, 1, -54},
        {0, 0, 100, 50, 60},
        {0, 1, 100, 50, -30},
        {0, 0, 100, 100, 10},
        {0, 1, 100, 100, -5},
        {0, 1, 100, 99, -5},  // t = 11: the half rounds down
        {7, 2, 100, 10, -43}, // any index but 0 loses
        {-100, 1, 100, 10, -150},
        // Beyond the 16-bit range the score stops at its edge.
        {32700, 0, 100, 10, 32767},
        {32767, 0, 100, 100, 32767},
        {-32700, 1, 100, 1, -32754},
        {-32760, 1, 100, 1, -32768},
        // Before the layout the bar's maximum is 32767: no overflow either.
        {100, 0, 32767, 0, 32767},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scoreAfterAnswer(c.score, c.index, c.max, c.value), c.after)
            << c.score << " " << c.index << " " << c.max << " " << c.value;
}

TEST(Score, StarBarHasOneStarMoreThanTheScore) {
    EXPECT_EQ(starBar(0), QString::fromUtf16(u"☆"));
    EXPECT_EQ(starBar(3), QString::fromUtf16(u"☆☆☆☆"));
    EXPECT_EQ(starBar(-1), "");
    EXPECT_EQ(starBar(-32768), "");
    EXPECT_EQ(starBar(32767).size(), 32768);
}

TEST(StoryText, CaptionHasTwentyTwoLinesTheFirstEmpty) {
    LineHistory history;
    for (int i = 1; i <= 22; ++i)
        pushLine(history, QString::number(i));
    const QStringList lines = storyCaption(history).split("\r\n");
    ASSERT_EQ(lines.size(), 22);
    EXPECT_EQ(lines.front(), "");
    EXPECT_EQ(lines[1], "2"); // line 1 has left the display
    EXPECT_EQ(lines.back(), "22");
    EXPECT_FALSE(storyCaption(history).endsWith("\r\n"));
    EXPECT_EQ(storyCaption(LineHistory{}), QString("\r\n").repeated(21));
}

TEST(StoryText, AHugeLineIsCutForTheLabelButKeptInTheHistory) {
    LineHistory history;
    pushLine(history, QString(5'000'000, 'x'));
    EXPECT_EQ(history.back().size(), 5'000'000);
    EXPECT_EQ(storyCaption(history).size(), 21 * 2 + MaxShownChars);
}
