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

// A bar's range, maximum first, and its steps; then the bar is shown.
void setUpBar(ScrollBar& bar, const BarRange& range, std::int16_t largeChange,
              std::int16_t smallChange) {
    bar.setMax(range.max);
    bar.setMin(range.min);
    bar.setLargeChange(largeChange);
    bar.setSmallChange(smallChange);
    bar.show();
}

void placeBarCaption(Label& caption, const ScrollBar& bar, std::int16_t labelWidth,
                     const QString& text, Colour colour, double fontSize) {
    caption.Move(bar.left() - labelWidth, bar.top(), labelWidth, bar.height());
    caption.setCaption(text);
    caption.setForeColor(colour);
    caption.setFontSize(fontSize);
    caption.show();
}

} // namespace

void layOutWindow(const LayoutControls& controls, int screenHeightTwips,
                  const std::function<void()>& startStory) {
    const std::int16_t FontUnit = fontUnitFor(screenHeightTwips);
    const FontSizes fonts = fontSizesFor(FontUnit);

    controls.window.setScale(0, 0, LayoutWidth, LayoutHeight);
    controls.window.setBackColor(Black);
    const double width = controls.window.ScaleWidth();

    controls.LBl.setForeColor(StoryPink);
    controls.LBl.setFontSize(fonts.story);
    controls.LBl.Move(0.2, 0.2, storyLabelWidth(width), 5.6);
    controls.LBl.setBorderStyle(0);
    controls.LBl.show();

    for (std::int16_t i = 0; i <= 1; ++i) {
        Label& answer = controls.QstLbl(i);
        answer.Move(width / 2 + 0.2, 0.2 + 0.3 * i, width / 2 - 0.4, 0.3);
        answer.setForeColor(controls.window.backColor());
        answer.setFontSize(fonts.answer);
        answer.setBorderStyle(0);
        answer.setBackColor(Cyan);
        answer.setBackStyle(Label::Opaque);
        answer.show();
    }

    controls.QstPic.Move(4.2, 0.8, 3.6, 0.3);
    controls.QstPic.setBackColor(controls.window.backColor());
    controls.QstPic.setBorderStyle(0);
    controls.QstPic.show();
    controls.QstPic.setScale(0, 0, 50, 1);

    controls.QstShp.setBorderColor(Magenta);
    controls.QstShp.setBorderStyle(1);
    controls.QstShp.show();

    controls.ScrLBl.Move(4.2, 1.1, 3.6, 0.5);
    controls.ScrLBl.setBackStyle(Label::Transparent);
    controls.ScrLBl.setBorderStyle(0);
    controls.ScrLBl.show();
    controls.ScrLBl.setForeColor(Cyan);
    controls.ScrLBl.setFontSize(fonts.score);
    controls.ScrLBl.setCaption(QString());

    controls.EndCom.Move(7.5, 5.5, 0.3, 0.3);
    controls.EndCom.setCaption(QStringLiteral("End"));
    controls.EndCom.setBackColor(ButtonBlue);
    controls.EndCom.show();

    controls.HelpCom.Move(7.2, 5.5, 0.3, 0.3);
    controls.HelpCom.setCaption(QStringLiteral("Help"));
    controls.HelpCom.setBackColor(controls.EndCom.backColor());
    controls.HelpCom.show();

    const std::int16_t HsclLabelWidth = 1;

    controls.LBlHscl.Move(width / 2 + 0.2 + HsclLabelWidth, controls.EndCom.top() - 0.5,
                          width / 2 - 0.4 - HsclLabelWidth, 0.2);
    setUpBar(controls.LBlHscl, SpeedBar, 100, 10);

    controls.QstHscl.Move(width / 2 + 0.2 + HsclLabelWidth, controls.LBlHscl.top() - 0.2,
                          width / 2 - 0.4 - HsclLabelWidth, 0.2);
    setUpBar(controls.QstHscl, LevelBar, 10, 1);

    placeBarCaption(controls.LBlHsclLBl, controls.LBlHscl, HsclLabelWidth,
                    QStringLiteral("テキスト早さ >"), controls.EndCom.backColor(), fonts.caption);
    placeBarCaption(controls.QstHsclLBl, controls.QstHscl, HsclLabelWidth,
                    QStringLiteral("質問レベル >"), controls.EndCom.backColor(), fonts.caption);

    const double decorTop = controls.ScrLBl.height() + controls.ScrLBl.top() + 0.1;
    controls.KazariPic.Move(width / 2 - 0.2, decorTop, width / 2,
                            controls.QstHscl.top() - decorTop - 0.1);
    controls.KazariPic.setBorderStyle(0);
    controls.KazariPic.setBackColor(controls.window.backColor());
    controls.KazariPic.show();
    controls.KazariPic.setScaleMode(ScaleMode::Pixels);

    controls.ShpKazari.Move(0, 0, controls.KazariPic.ScaleWidth(),
                            controls.KazariPic.ScaleHeight());
    controls.ShpKazari.ZOrder(1);

    startStory();
}

} // namespace hanashi
