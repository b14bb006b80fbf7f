// SPDX-License-Identifier: MIT
#include "story/StoryLabel.h"
#include "toolkit/UiFont.h"

#include <QFontMetricsF>
#include <QRawFont>
#include <QStringList>
#include <gtest/gtest.h>

using namespace hanashi;

// The checker measures lines without a font; here the rule meets the font
// the game draws with, character by character, so that a new font release
// with other widths fails here rather than in a player's window.
TEST(StoryFont, EveryCharacterOfTheFontAdvancesAsTheRuleSays) {
    QFont font = uiFont(1);
    font.setPixelSize(100);
    const QRawFont raw = QRawFont::fromFont(font);
    ASSERT_EQ(raw.familyName(), UiFontFamily) << "the story font is not installed";
    const QFontMetricsF metrics(font);
    int checked = 0;
    QStringList wrong;
    for (char32_t c = 0; c <= 0x2FFFF; ++c) {
        // A tab goes to the label's next tab stop, whatever the font says.
        if ((c >= 0xD800 && c < 0xE000) || c == '\t' || !raw.supportsCharacter(c))
            continue;
        ++checked;
        const double advance = metrics.horizontalAdvance(QString::fromUcs4(&c, 1)) / 100;
        if (std::abs(advance - advanceEm(c)) > 0.001 && wrong.size() < 20)
            wrong << QStringLiteral("U+%1 %2").arg(c, 4, 16, QLatin1Char('0')).arg(advance);
    }
    EXPECT_GT(checked, 10000);
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(", ").toStdString();
    // Characters the font lacks count a whole em, and white space at the end
    // none.
    EXPECT_EQ(lineWidthEm(u"あaｱ\u00AD\U0001F600 \u3000 "), 3.0);
}
