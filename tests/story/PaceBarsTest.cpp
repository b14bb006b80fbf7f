// SPDX-License-Identifier: MIT
#include "StoryFixture.h"

#include <QScrollBar>

using namespace hanashi;

using PaceBars = StoryFixture;

TEST_F(PaceBars, EachBarSetsItsTimersIntervalAndNeverItsState) {
    EXPECT_EQ(LBlTim.interval(), 1500);
    EXPECT_EQ(QstTim.interval(), 10);
    EXPECT_FALSE(LBlTim.isEnabled() || QstTim.isEnabled());
    LBlHscl.setValue(100);
    QstHscl.setValue(100);
    EXPECT_EQ(LBlTim.interval(), 100);
    EXPECT_EQ(QstTim.interval(), 100);
    EXPECT_FALSE(LBlTim.isEnabled() || QstTim.isEnabled());

    LBlTim.setEnabled(true);
    LBlHscl.setValue(5000);
    EXPECT_TRUE(LBlTim.isTicking());
    EXPECT_EQ(LBlTim.interval(), 5000);
}

TEST_F(PaceBars, DraggingChangesTheIntervalAllTheWay) {
    LBlTim.setEnabled(true);
    QScrollBar* bar = LBlHscl.widget();
    bar->setSliderDown(true);
    std::vector<int> seen;
    for (int position : {1600, 2400, 3000}) {
        bar->setSliderPosition(position);
        seen.push_back(LBlTim.interval());
    }
    EXPECT_EQ(seen, (std::vector<int>{1600, 2400, 3000}));
    bar->setSliderDown(false);
    EXPECT_EQ(LBlTim.interval(), 3000);
    EXPECT_EQ(LBlHscl.Value(), 3000);
    EXPECT_TRUE(LBlTim.isTicking());
}

TEST_F(PaceBars, ALevelChangeBetweenRoundsAppliesToTheNextCountdown) {
    script("opn.dat", {"*a", "*b"});
    story().StartStory();
    QstHscl.setValue(50);
    EXPECT_FALSE(QstTim.isEnabled());
    random.push(0.2f);
    read();
    EXPECT_TRUE(QstTim.isTicking());
    EXPECT_EQ(QstTim.interval(), 50);
}
