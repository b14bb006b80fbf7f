// SPDX-License-Identifier: MIT
#include "story/LineKind.h"

#include <gtest/gtest.h>

using namespace hanashi;

TEST(LineKind, FirstMatchingRuleDecides) {
    struct Case {
        const char16_t* line;
        LineKind kind;
    };
    const Case cases[] = {
        {u"", LineKind::Story},
        {u"ふつうの行", LineKind::Story},
        {u">ive", LineKind::Branch},
        {u"ここで>iveする", LineKind::Branch}, // anywhere in the line
        {u">end", LineKind::Restart},
        {u"おわり>end", LineKind::Restart},
        {u">end>ive", LineKind::Branch}, // both: the branch wins
        {u"*", LineKind::Question},      // answer 0 is empty
        {u"*はい", LineKind::Question},
        {u"*はい>end", LineKind::Restart}, // a marker beats the question
        {u"*>ive", LineKind::Branch},
        {u" *はい", LineKind::Story}, // "*" must come first
        {u"＊はい", LineKind::Story}, // the full-width asterisk is no marker
        {u">IVE", LineKind::Story},   // markers are case-sensitive
        {u">End", LineKind::Story},
        {u"> ive", LineKind::Story},
        {u"ive", LineKind::Story},
        {u"漢*", LineKind::Story},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classifyLine(QString::fromUtf16(c.line)), c.kind)
            << QString::fromUtf16(c.line).toStdString();
}

TEST(LineKind, DroppingTheFirstCharacterDropsAWholeCharacter) {
    EXPECT_EQ(withoutFirstCharacter(""), "");
    EXPECT_EQ(withoutFirstCharacter("*"), "");
    EXPECT_EQ(withoutFirstCharacter(">ive"), "ive");
    EXPECT_EQ(withoutFirstCharacter(QString::fromUtf16(u"漢字です")),
              QString::fromUtf16(u"字です"));
    // A character outside the basic plane (possible in UTF-8 scripts) is two
    // UTF-16 units and goes whole.
    EXPECT_EQ(withoutFirstCharacter(QString::fromUtf16(u"\U0001F338花")),
              QString::fromUtf16(u"花"));
}
