// SPDX-License-Identifier: MIT
#include "layout/Layout.h"

#include "layout/LayoutRules.h"
#include "story/Rules.h"

namespace hanashi {

namespace {

constexpr Colour Black = RGB(0, 0, 0);
constexpr Colour StoryPink = RGB(255, 200, 255);
constexpr Colour Cyan = RGB(0, 255, 255);
constexpr Colour Magenta = RGB(255, 0, 255);
constexpr Colour ButtonBlue = RGB(100, 100, 255);

void placeBarCaption(Label& caption, const ScrollBar& bar, std::int16_t labelWidth,
                     const QString& text, Colour colour, double fontSize) {
    caption.Move(bar.left() - labelWidth, bar.top(), labelWidth, bar.height());
    caption.setCaption(text);
    caption.setForeColor(colour);
    caption.setFontSize(fontSize);
    caption.show();
}

} // namespace

void layOutWindow(const LayoutControls& c, int screenHeightTwips,
                  const std::function<void()>& startStory) {
    const std::int16_t FontUnit = fontUnitFor(screenHeightTwips);
    const FontSizes fonts = fontSizesFor(FontUnit);

    c.Fom.setScale(0, 0, LayoutWidth, LayoutHeight);
    c.Fom.setBackColor(Black);
    const double w = c.Fom.ScaleWidth();

    c.LBl.setForeColor(StoryPink);
    c.LBl.setFontSize(fonts.story);
    c.LBl.Move(0.2, 0.2, storyLabelWidth(w), 5.6);
    c.LBl.setBorderStyle(0);
    c.LBl.show();

    for (std::int16_t i = 0; i <= 1; ++i) {
        Label& answer = c.QstLbl(i);
        answer.Move(w / 2 + 0.2, 0.2 + 0.3 * i, w / 2 - 0.4, 0.3);
        answer.setForeColor(c.Fom.backColor());
        answer.setFontSize(fonts.answer);
        answer.setBorderStyle(0);
        answer.setBackColor(Cyan);
        answer.setBackStyle(Label::Opaque);
        answer.show();
    }

    c.QstPic.Move(4.2, 0.8, 3.6, 0.3);
    c.QstPic.setBackColor(c.Fom.backColor());
    c.QstPic.setBorderStyle(0);
    c.QstPic.show();
    c.QstPic.setScale(0, 0, 50, 1);

    c.QstShp.setBorderColor(Magenta);
    c.QstShp.setBorderStyle(1);
    c.QstShp.show();

    c.ScrLBl.Move(4.2, 1.1, 3.6, 0.5);
    c.ScrLBl.setBackStyle(Label::Transparent);
    c.ScrLBl.setBorderStyle(0);
    c.ScrLBl.show();
    c.ScrLBl.setForeColor(Cyan);
    c.ScrLBl.setFontSize(fonts.score);
    c.ScrLBl.setCaption(QString());

    c.EndCom.Move(7.5, 5.5, 0.3, 0.3);
    c.EndCom.setCaption(QStringLiteral("End"));
    c.EndCom.setBackColor(ButtonBlue);
    c.EndCom.show();

    c.HelpCom.Move(7.2, 5.5, 0.3, 0.3);
    c.HelpCom.setCaption(QStringLiteral("Help"));
    c.HelpCom.setBackColor(c.EndCom.backColor());
    c.HelpCom.show();

    const std::int16_t HsclLabelWidth = 1;

    c.LBlHscl.Move(w / 2 + 0.2 + HsclLabelWidth, c.EndCom.top() - 0.5, w / 2 - 0.4 - HsclLabelWidth,
                   0.2);
    c.LBlHscl.setMax(SpeedBar.max);
    c.LBlHscl.setMin(SpeedBar.min);
    c.LBlHscl.setLargeChange(100);
    c.LBlHscl.setSmallChange(10);
    c.LBlHscl.show();

    c.QstHscl.Move(w / 2 + 0.2 + HsclLabelWidth, c.LBlHscl.top() - 0.2,
                   w / 2 - 0.4 - HsclLabelWidth, 0.2);
    c.QstHscl.setMax(LevelBar.max);
    c.QstHscl.setMin(LevelBar.min);
    c.QstHscl.setLargeChange(10);
    c.QstHscl.setSmallChange(1);
    c.QstHscl.show();

    placeBarCaption(c.LBlHsclLBl, c.LBlHscl, HsclLabelWidth, QStringLiteral("テキスト早さ >"),
                    c.EndCom.backColor(), fonts.caption);
    placeBarCaption(c.QstHsclLBl, c.QstHscl, HsclLabelWidth, QStringLiteral("質問レベル >"),
                    c.EndCom.backColor(), fonts.caption);

    const double decorTop = c.ScrLBl.height() + c.ScrLBl.top() + 0.1;
    c.KazariPic.Move(w / 2 - 0.2, decorTop, w / 2, c.QstHscl.top() - decorTop - 0.1);
    c.KazariPic.setBorderStyle(0);
    c.KazariPic.setBackColor(c.Fom.backColor());
    c.KazariPic.show();
    c.KazariPic.setScaleMode(ScaleMode::Pixels);

    c.ShpKazari.Move(0, 0, c.KazariPic.ScaleWidth(), c.KazariPic.ScaleHeight());
    c.ShpKazari.ZOrder(1);

    startStory();
}

} // namespace hanashi
