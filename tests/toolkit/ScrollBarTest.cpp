// SPDX-License-Identifier: MIT
#include "toolkit/ScrollBar.h"
#include "platform/RuntimeError.h"
#include "support/TestForm.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace hanashi;

namespace {

struct Recorder {
    std::vector<std::string> events;
    ScrollBar* bar = nullptr;
    void attach(ScrollBar& b) {
        bar = &b;
        b.setChangeHandler([this] { events.push_back("change " + std::to_string(bar->Value())); });
        b.setScrollHandler([this] { events.push_back("scroll " + std::to_string(bar->Value())); });
    }
};

} // namespace

TEST(ScrollBar, StartsWithTheFullRangeSoAFirstValueIsNotClamped) {
    TestForm form;
    ScrollBar bar(form);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 32767);
    EXPECT_EQ(bar.SmallChange(), 1);
    EXPECT_EQ(bar.LargeChange(), 1);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.widget()->orientation(), Qt::Horizontal);

    Recorder r;
    r.attach(bar);
    bar.setValue(1500);
    EXPECT_EQ(r.events, std::vector<std::string>{"change 1500"});
}

TEST(ScrollBar, ChangeRunsOnEveryChangeOfTheValueAndOnlyThen) {
    TestForm form;
    ScrollBar bar(form);
    Recorder r;
    r.attach(bar);
    bar.setValue(10);
    bar.setValue(10); // same value: nothing
    bar.setMax(100);  // keeps 10: nothing
    bar.setMin(1);
    bar.setMax(5); // clamps 10 to 5: a change
    bar.widget()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(r.events, (std::vector<std::string>{"change 10", "change 5", "change 4"}));
}

TEST(ScrollBar, DragReportsTheThumbThenChangesOnceAtTheEnd) {
    TestForm form;
    ScrollBar bar(form);
    bar.setMax(5000);
    bar.setMin(100);
    bar.setValue(1500);
    Recorder r;
    r.attach(bar);
    QScrollBar* w = bar.widget();
    w->setSliderDown(true);
    w->setSliderPosition(2000);
    w->setSliderPosition(2500);
    w->setSliderDown(false);
    EXPECT_EQ(r.events, (std::vector<std::string>{"scroll 2000", "scroll 2500", "change 2500"}));
    EXPECT_EQ(bar.Value(), 2500);
}

TEST(ScrollBar, AValueOutsideTheRangeIsARunTimeError) {
    TestForm form;
    ScrollBar bar(form);
    bar.setMax(100);
    bar.setMin(1);
    EXPECT_THROW(bar.setValue(0), RuntimeError);
    EXPECT_THROW(bar.setValue(101), RuntimeError);
    EXPECT_EQ(bar.Value(), 1);
}
