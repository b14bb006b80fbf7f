// SPDX-License-Identifier: MIT
#include "support/TestForm.h"
#include "toolkit/ControlArray.h"
#include "toolkit/Label.h"
#include "toolkit/LabelAccessible.h"
#include "toolkit/PictureBox.h"
#include "toolkit/ScrollBar.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <set>

using namespace hanashi;

namespace {

bool onRing(QRect r, int x, int y) {
    return r.contains(x, y) && (x == r.left() || x == r.right() || y == r.top() || y == r.bottom());
}

} // namespace

// The mark is drawn over the control, one pixel inside its edge, in black
// and white dots; nothing else of what the control shows changes, and a
// picture box keeps its drawing as it was.
TEST(FocusMark, ABarOrABoxWithTheFocusShowsADottedFrameAndNothingElseChanges) {
    TestForm form;
    form.setBackColor(RGB(0, 0, 0));
    ScrollBar bar(form);
    bar.Move(150, 150, 3000, 300);
    PictureBox box(form);
    box.Move(150, 900, 1500, 1500);
    bar.show();
    box.show();
    form.activateWindow();
    QCoreApplication::processEvents();
    const QImage shown = box.hostWidget()->grab().toImage();
    for (QWidget* control : {static_cast<QWidget*>(bar.widget()), box.hostWidget()}) {
        SCOPED_TRACE(control == bar.widget() ? "bar" : "box");
        const QImage before = control->grab().toImage();
        control->setFocus();
        ASSERT_TRUE(control->hasFocus());
        const QImage focused = control->grab().toImage();
        const QRect ring = control->rect().adjusted(1, 1, -1, -1);
        std::set<QRgb> ringColours;
        int changedOffRing = 0;
        for (int y = 0; y < focused.height(); ++y)
            for (int x = 0; x < focused.width(); ++x) {
                if (onRing(ring, x, y))
                    ringColours.insert(focused.pixel(x, y));
                else if (focused.pixel(x, y) != before.pixel(x, y))
                    ++changedOffRing;
            }
        EXPECT_EQ(ringColours, (std::set<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
        EXPECT_EQ(changedOffRing, 0);
    }
    // Without the focus the box shows what it showed before.
    bar.widget()->setFocus();
    EXPECT_EQ(box.hostWidget()->grab().toImage(), shown);
}

// Qt's own horizontal bar moves its thumb away from the arrow.
TEST(ScrollBar, LeftAndRightMoveTheThumbTheWayTheyPointInEitherDirectionOfWriting) {
    struct Case {
        Qt::LayoutDirection direction;
        Qt::Key key;
        int value;
    };
    for (const Case& c :
         {Case{Qt::LeftToRight, Qt::Key_Left, 1490}, Case{Qt::LeftToRight, Qt::Key_Right, 1510},
          // Mirrored: the minimum is on the right.
          Case{Qt::RightToLeft, Qt::Key_Left, 1510}, Case{Qt::RightToLeft, Qt::Key_Right, 1490}}) {
        TestForm form;
        ScrollBar bar(form);
        bar.setMax(5000);
        bar.setMin(100);
        bar.setSmallChange(10);
        bar.setValue(1500);
        bar.widget()->setLayoutDirection(c.direction);
        int changes = 0;
        bar.setChangeHandler([&] { ++changes; });
        QTest::keyClick(bar.widget(), c.key);
        EXPECT_EQ(bar.Value(), c.value) << c.direction << " " << c.key;
        EXPECT_EQ(changes, 1);
    }
}

// Loaded copies are buttons too; a screen reader may still hold an answer
// that has been hidden since, and pressing it then must do nothing.
TEST(LabelAccessible, AButtonIsPressedThroughItsActionAsByAClickButOnlyWhileShown) {
    TestForm form;
    ControlArray<Label> answers("QstLbl", std::make_unique<Label>(form, "QstLbl", Label::Opaque));
    std::vector<int> clicked;
    answers(0).setClickHandler([&](std::int16_t index) { clicked.push_back(index); });
    answers(0).setAccessibleRole(Label::AccessibleRole::Button);
    answers.load(1);
    Label& answer = answers(1);
    answer.setCaption(QStringLiteral("はい"));
    answer.setAccessibleName(QStringLiteral("1: はい"));

    QAccessibleInterface* pressable = QAccessible::queryAccessibleInterface(answer.widget());
    ASSERT_NE(pressable, nullptr);
    EXPECT_EQ(pressable->role(), QAccessible::Button);
    EXPECT_EQ(pressable->text(QAccessible::Name), "1: はい");
    QAccessibleActionInterface* actions = pressable->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));

    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(clicked.empty());
    answer.show();
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicked, std::vector<int>{1});
}

TEST(LabelAccessible, ALogIsReadThroughItsTextLineByLineNeverAsItsName) {
    TestForm form;
    Label log(form, "", Label::Transparent);
    Label plain(form, "", Label::Transparent);
    log.setAccessibleRole(Label::AccessibleRole::Log);
    log.setCaption(QStringLiteral("\r\none\r\ntwo"));
    plain.setCaption(QStringLiteral("☆☆"));

    QAccessibleInterface* logInterface = QAccessible::queryAccessibleInterface(log.widget());
    EXPECT_EQ(logInterface->role(), QAccessible::StaticText);
    EXPECT_EQ(logInterface->text(QAccessible::Name), "");
    QAccessibleTextInterface* text = logInterface->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 8);
    EXPECT_EQ(text->text(0, -1), "\none\ntwo");
    int start = -1, end = -1;
    EXPECT_EQ(text->textAtOffset(6, QAccessible::LineBoundary, &start, &end), "two");
    log.setAccessibleName(QStringLiteral("お話"));
    EXPECT_EQ(logInterface->text(QAccessible::Name), "お話");

    QAccessibleInterface* plainInterface = QAccessible::queryAccessibleInterface(plain.widget());
    EXPECT_EQ(plainInterface->text(QAccessible::Name), "☆☆");
    EXPECT_EQ(plainInterface->textInterface(), nullptr);
    plain.setAccessibleName(QStringLiteral("スコア 1"));
    EXPECT_EQ(plainInterface->text(QAccessible::Name), "スコア 1");
}

TEST(LogChange, TellsTheLineAddedAtTheEndAndWhatScrolledAwayAtTheTop) {
    struct Case {
        const char* what;
        QString before, after;
        LogChange change;
    };
    const Case cases[] = {
        {"a line scrolls the oldest away", "\nA\nB", "\nB\nC", {"\nA", 2, "\nC"}},
        {"the first line of an empty log", "\n\n\n", "\n\n\nA", {"\n", 2, "\nA"}},
        {"the same line again", "\nA\nA", "\nA\nA", {"\nA", 2, "\nA"}},
        {"an empty line", "\nA\nB", "\nB\n", {"\nA", 2, "\n"}},
        {"a text that keeps nothing", "old", "\nnew", {"old", 0, "\nnew"}},
        {"a first caption", "Label1", "", {"Label1", 0, ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(logChange(c.before, c.after), c.change) << c.what;
}

// With no screen reader listening, an announcement makes no widget and tells
// nobody anything.
TEST(Announcer, MakesNothingWhileNoAssistiveTechnologyListens) {
    TestForm form;
    ASSERT_FALSE(QAccessible::isActive());
    const auto before = form.findChildren<QWidget*>();
    form.announce(QStringLiteral("一行"));
    EXPECT_EQ(form.findChildren<QWidget*>(), before);
}
