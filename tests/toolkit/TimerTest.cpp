// SPDX-License-Identifier: MIT
#include "toolkit/Timer.h"

#include "support/TestForm.h"
#include "toolkit/CommandButton.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace hanashi;

// Plain QTimer fires continuously at 0 ms and reports itself active when
// negative; the game's timers must do neither.
TEST(Timer, TicksOnlyWhenEnabledWithAPositiveInterval) {
    struct Case {
        bool enabled;
        int interval;
        bool ticking;
    };
    const Case cases[] = {
        {false, 0, false},  {true, 0, false}, {true, -5, false},
        {false, 10, false}, {true, 10, true}, {true, 1, true},
    };
    for (const Case& c : cases) {
        TestForm form;
        Timer timer(form, c.enabled, c.interval);
        EXPECT_EQ(timer.isTicking(), c.ticking) << c.enabled << " " << c.interval;
        EXPECT_EQ(timer.isEnabled(), c.enabled);
        EXPECT_EQ(timer.interval(), c.interval);
    }
}

TEST(Timer, IntervalChangesKeepTheRunningStateAndEnabledStateKeepsTheInterval) {
    TestForm form;
    Timer timer(form, false, 0);
    timer.setInterval(1500);
    EXPECT_FALSE(timer.isTicking()); // an interval alone never starts it
    timer.setEnabled(true);
    EXPECT_TRUE(timer.isTicking());
    timer.setInterval(100);
    EXPECT_TRUE(timer.isTicking());
    EXPECT_EQ(timer.interval(), 100);
    timer.setInterval(0);
    EXPECT_FALSE(timer.isTicking());
    EXPECT_TRUE(timer.isEnabled());
    timer.setInterval(20);
    EXPECT_TRUE(timer.isTicking());
    timer.setEnabled(false);
    EXPECT_FALSE(timer.isTicking());
    EXPECT_EQ(timer.interval(), 20);
}

TEST(Timer, FireRunsTheHandler) {
    TestForm form;
    Timer timer(form, true, 10);
    int ticks = 0;
    timer.setHandler([&] { ++ticks; });
    timer.fire();
    timer.fire();
    EXPECT_EQ(ticks, 2);
}

// Once its window has ended, nothing restarts a timer and a tick that was
// already on its way runs nothing; the window's other controls are as dead.
TEST(Timer, AnEndedWindowsTimersAndControlsRunNothing) {
    TestForm form;
    Timer timer(form, true, 10);
    CommandButton button(form, QStringLiteral("End"));
    int runs = 0;
    timer.setHandler([&] { ++runs; });
    button.setClickHandler([&] { ++runs; });
    button.Move(0, 0, 1000, 500);
    form.end();
    EXPECT_FALSE(timer.isTicking());
    timer.setEnabled(false);
    timer.setEnabled(true);
    timer.setInterval(20);
    timer.sleepFor(std::chrono::milliseconds(4000));
    timer.wake();
    EXPECT_FALSE(timer.isTicking());
    timer.fire();
    QTest::mouseClick(button.widget(), Qt::LeftButton);
    EXPECT_EQ(runs, 0);
}

// A sleeping timer stays enabled with its interval; its one long countdown
// ends in a tick, or early in wake(), and the ticks after it come at the
// interval again. Spans no longer than the interval change nothing.
TEST(Timer, SleepsForASpanOrUntilWokenAndThenTicksAtItsIntervalAgain) {
    using std::chrono::milliseconds;
    TestForm form;
    Timer timer(form, true, 10);
    int ticks = 0;
    timer.setHandler([&] { ++ticks; });
    timer.sleepFor(milliseconds(10));
    EXPECT_EQ(timer.currentWait(), 10);
    timer.sleepFor(milliseconds(4000));
    EXPECT_EQ(timer.currentWait(), 4000);
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_EQ(timer.interval(), 10);
    timer.fire();
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(timer.currentWait(), 10);

    timer.sleepFor(milliseconds::max());
    EXPECT_FALSE(timer.isTicking());
    timer.wake();
    EXPECT_TRUE(timer.isTicking());
    EXPECT_EQ(timer.currentWait(), 10);

    timer.sleepFor(milliseconds(4000));
    timer.setInterval(20);
    EXPECT_EQ(timer.currentWait(), 20);
    timer.setEnabled(false);
    timer.sleepFor(milliseconds(4000));
    timer.wake();
    EXPECT_FALSE(timer.isTicking());
}
