// SPDX-License-Identifier: MIT
#include "support/TestForm.h"
#include "toolkit/PictureBox.h"
#include "toolkit/ScrollBar.h"

#include <QCoreApplication>
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
    const QImage drawing = box.render();
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
    EXPECT_EQ(box.render(), drawing);
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
