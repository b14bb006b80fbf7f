// SPDX-License-Identifier: MIT
#include "support/TestForm.h"
#include "toolkit/ControlArray.h"
#include "toolkit/Label.h"
#include "toolkit/Picture.h"
#include "toolkit/PictureBox.h"
#include "toolkit/Shape.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using namespace hanashi;

namespace {

// What a picture box shows on the screen.
QImage shownBy(PictureBox& box) {
    return box.hostWidget()->grab().toImage();
}

} // namespace

TEST(Scale, AdjacentControlsMeetWithoutGapOrOverlap) {
    TestForm form;
    form.resize(797, 601); // sizes that do not divide evenly
    form.setScale(0, 0, 8, 6);
    Label a(form, "a", Label::Opaque), b(form, "b", Label::Opaque), c(form, "c", Label::Opaque);
    a.Move(4.2, 0.2, 3.6, 0.3);
    b.Move(4.2, 0.2 + 0.3, 3.6, 0.3);
    c.Move(4.2, 0.8, 3.6, 0.3);
    EXPECT_EQ(a.pixelRect().bottom() + 1, b.pixelRect().top());
    EXPECT_EQ(b.pixelRect().bottom() + 1, c.pixelRect().top());
    EXPECT_EQ(a.pixelRect().left(), c.pixelRect().left());
    // Reading back gives what was set, not a rounded pixel position.
    EXPECT_DOUBLE_EQ(b.top(), 0.5);
    EXPECT_EQ(a.widget()->geometry(), a.pixelRect());
}

TEST(Scale, ANewScaleLeavesControlsWhereTheyAre) {
    TestForm form; // 800 x 600 pixels, in 1/1440 inch
    Label label(form, "x", Label::Transparent);
    label.Move(150, 300, 1500, 150); // 10, 20, 100, 10 pixels
    const QRect before = label.pixelRect();
    EXPECT_EQ(before, QRect(10, 20, 100, 10));
    form.setScale(0, 0, 8, 6);
    EXPECT_EQ(label.pixelRect(), before);
    EXPECT_DOUBLE_EQ(label.left(), 0.1);
    EXPECT_DOUBLE_EQ(label.width(), 1.0);
    // A control moved after the change follows the new scale.
    label.Move(4, 3, 1, 1);
    EXPECT_EQ(label.pixelRect(), QRect(400, 300, 100, 100));
}

TEST(Label, CaptionIsPlainTextAndBreaksAtCrLf) {
    TestForm form;
    Label label(form, "", Label::Transparent);
    label.setCaption("<b>one</b>\r\ntwo");
    EXPECT_EQ(label.caption(), "<b>one</b>\r\ntwo");
    EXPECT_EQ(label.widget()->textFormat(), Qt::PlainText);
    EXPECT_EQ(label.widget()->text(), "<b>one</b>\ntwo");
    label.setFontSize(22.5);
    EXPECT_DOUBLE_EQ(label.widget()->font().pointSizeF(), 22.5);
    EXPECT_EQ(QFontInfo(label.widget()->font()).family(), "IPAGothic");
}

TEST(Label, BackStyleDecidesWhetherTheBackColourIsPainted) {
    TestForm form;
    form.setBackColor(RGB(0, 0, 0));
    Label label(form, "", Label::Transparent);
    label.Move(0, 0, 1500, 1500);
    label.setBackColor(RGB(0, 255, 255));
    // What the window shows at the label's centre.
    auto centre = [&] { return form.grab().toImage().pixelColor(50, 50); };
    label.show();
    EXPECT_NE(centre(), QColor(0, 255, 255));
    label.setBackStyle(Label::Opaque);
    EXPECT_EQ(centre(), QColor(0, 255, 255));
}

TEST(ControlArray, LoadsHiddenCopiesThatReportTheirIndex) {
    TestForm form;
    ControlArray<Label> answers("QstLbl", std::make_unique<Label>(form, "QstLbl", Label::Opaque));
    std::vector<std::string> events;
    auto record = [&](const char* what) {
        return [&events, what](std::int16_t i, std::int16_t, std::int16_t, float, float) {
            events.push_back(what + std::to_string(i));
        };
    };
    answers(0).setMouseDownHandler(record("down"));
    answers(0).setMouseUpHandler(record("up"));
    answers(0).setClickHandler(
        [&](std::int16_t i) { events.push_back("click" + std::to_string(i)); });
    answers(0).setBackColor(RGB(1, 2, 3));
    answers(0).Move(0, 0, 1500, 600);
    EXPECT_THROW(answers(1), RuntimeError);
    EXPECT_EQ(answers.count(), 1);

    answers.load(1);
    EXPECT_EQ(answers.count(), 2);
    EXPECT_THROW(answers.load(1), RuntimeError);
    Label& copy = answers(1);
    EXPECT_FALSE(copy.isVisible());
    EXPECT_EQ(copy.caption(), "QstLbl");
    EXPECT_EQ(copy.backColor(), RGB(1, 2, 3));
    EXPECT_EQ(copy.backStyle(), Label::Opaque);
    EXPECT_EQ(copy.pixelRect(), answers(0).pixelRect());

    copy.show();
    answers(0).show();
    QTest::mouseClick(copy.widget(), Qt::LeftButton);
    QTest::mouseClick(answers(0).widget(), Qt::RightButton);
    EXPECT_EQ(events,
              (std::vector<std::string>{"down1", "up1", "click1", "down0", "up0", "click0"}));
}

// Told once, after the pass that painted the window has ended.
TEST(Form, TellsOfItsFirstFrameOnceAfterThePaintingPass) {
    TestForm form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    int told = 0;
    form.setOnFirstFrame([&] { ++told; });
    form.repaint();
    EXPECT_EQ(told, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(told, 1);
    form.repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(told, 1);
}

TEST(PictureBox, StretchesASectionAndLeavesWhatLiesOffThePictureAlone) {
    TestForm form;
    PictureBox box(form);
    box.setScaleMode(ScaleMode::Pixels);
    box.Move(0, 0, 100 * 15, 100 * 15);
    box.setBackColor(RGB(0, 0, 0));
    ASSERT_EQ(box.ScaleWidth(), 100);
    QImage picture(50, 50, QImage::Format_RGB32);
    picture.fill(Qt::white);
    // A 100 x 100 section from (-50, -50): the picture fills the lower right
    // quarter, the rest stays back colour.
    box.PaintPicture(picture, 0, 0, 100, 100, -50, -50, 100, 100);
    const QImage d = shownBy(box);
    EXPECT_EQ(d.pixelColor(25, 25), QColor(Qt::black));
    EXPECT_EQ(d.pixelColor(75, 25), QColor(Qt::black));
    EXPECT_EQ(d.pixelColor(25, 75), QColor(Qt::black));
    EXPECT_EQ(d.pixelColor(49, 49), QColor(Qt::black));
    EXPECT_EQ(d.pixelColor(50, 50), QColor(Qt::white));
    EXPECT_EQ(d.pixelColor(99, 99), QColor(Qt::white));
    box.Cls();
    EXPECT_EQ(shownBy(box).pixelColor(75, 75), QColor(Qt::black));
}

// Pictures are stored with three bytes a pixel; a stretched section of one
// must land on exactly the pixels the screen's own format gives.
TEST(PictureBox, AStoredPictureStretchesToTheSamePixelsAsTheScreensFormat) {
    TestForm form;
    QImage screenFormat(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            screenFormat.setPixelColor(x, y, QColor(x * 4, y * 5, (x * y) % 256));
    std::vector<QImage> drawn;
    for (const QImage& picture : {screenFormat, screenFormat.convertToFormat(PictureFormat)}) {
        PictureBox box(form);
        box.setScaleMode(ScaleMode::Pixels);
        box.Move(0, 0, 97 * 15, 61 * 15);
        box.PaintPicture(picture, 0, 0, 97, 61, 9, -7, 50, 50);
        drawn.push_back(shownBy(box));
    }
    EXPECT_EQ(drawn[0], drawn[1]);
}

TEST(PictureBox, DrawsShapesOverTheDrawingBackToFront) {
    TestForm form;
    PictureBox box(form);
    box.setScaleMode(ScaleMode::Pixels);
    box.Move(0, 0, 40 * 15, 40 * 15);
    box.setBackColor(RGB(0, 0, 0));
    Shape back(box, Shape::Rectangle), front(box, Shape::Rectangle);
    for (Shape* s : {&back, &front}) {
        s->Move(0, 0, 40, 40);
        s->setFillStyle(Shape::Solid);
        s->setBorderStyle(0);
    }
    back.setFillColor(RGB(255, 0, 0));
    front.setFillColor(RGB(0, 0, 255));
    EXPECT_EQ(shownBy(box).pixelColor(20, 20), QColor(0, 0, 255));
    front.ZOrder(1); // to the back
    EXPECT_EQ(shownBy(box).pixelColor(20, 20), QColor(255, 0, 0));
    back.hide();
    EXPECT_EQ(shownBy(box).pixelColor(20, 20), QColor(0, 0, 255));
    // The drawing underneath is untouched by the shapes.
    front.hide();
    EXPECT_EQ(shownBy(box).pixelColor(20, 20), QColor(0, 0, 0));
}
