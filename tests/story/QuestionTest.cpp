// SPDX-License-Identifier: MIT
#include "StoryFixture.h"

#include <QLabel>

using namespace hanashi;

namespace {

const QString Yes = QString::fromUtf16(u"はい、行きます");
const QString No = QString::fromUtf16(u"いいえ");

} // namespace

class Question : public StoryFixture {
protected:
    // A prompt, the question line with answer 0, the answer line with
    // answer 1, and the line after it.
    void oneQuestion() {
        script("opn.dat", {QString::fromUtf16(u"行く？"), "*" + Yes, "*" + No, "after"});
        story().StartStory();
        read();
    }
};

TEST_F(Question, AQuestionLineStopsTheReaderAndShowsBothAnswers) {
    oneQuestion();
    random.push(0.49f);
    const QString before = LBl.caption();
    read();
    EXPECT_TRUE(inQuestion());
    EXPECT_EQ(QstTim.interval(), 10);
    EXPECT_EQ(LBl.caption(), before); // nothing shown yet
    EXPECT_EQ(QstLbl(0).caption(), Yes);
    EXPECT_EQ(QstLbl(1).caption(), No);
    EXPECT_EQ(state.CurrentLine, "*" + No); // the answer line as read
    EXPECT_TRUE(QstLbl(0).isVisible() && QstLbl(1).isVisible() && QstPic.isVisible());
    EXPECT_EQ(QstShp.left(), 0);
    EXPECT_EQ(QstShp.height(), 1);
    EXPECT_EQ(QstShp.width(), 10);
    EXPECT_EQ(random.draws(), 1);
}

TEST_F(Question, OneDrawDecidesWhichAnswerTakesTheUpperSlot) {
    struct Case {
        float r;
        double top0, top1;
    };
    for (const Case& c : {Case{0.0f, 0.2, 0.5}, Case{0.4999999f, 0.2, 0.5}, Case{0.5f, 0.5, 0.2},
                          Case{0.99999994f, 0.5, 0.2}}) {
        oneQuestion();
        random.push(c.r);
        read();
        EXPECT_DOUBLE_EQ(QstLbl(0).top(), c.top0) << c.r;
        EXPECT_DOUBLE_EQ(QstLbl(1).top(), c.top1) << c.r;
    }
}

TEST_F(Question, The41stTickTimesOutWithAnswerOneWhereverItIs) {
    for (float r : {0.1f, 0.9f}) {
        oneQuestion();
        random.push(r);
        read();
        for (int tick = 1; tick <= 40; ++tick)
            story().QstTim_Timer();
        EXPECT_EQ(QstShp.width(), 50);
        EXPECT_TRUE(inQuestion());
        story().QstTim_Timer();
        EXPECT_FALSE(inQuestion());
        EXPECT_TRUE(LBlTim.isEnabled());
        EXPECT_EQ(state.Score, -50);
        EXPECT_EQ(newest(), No);
        EXPECT_EQ(ScrLBl.caption(), "");
        EXPECT_FALSE(QstLbl(0).isVisible() || QstLbl(1).isVisible() || QstPic.isVisible());
    }
}

TEST_F(Question, TheChosenAnswerBecomesTheNewestLineAndReadingGoesOn) {
    for (std::int16_t index : {0, 1}) {
        oneQuestion();
        random.push(0.7f);
        read();
        answer(index);
        EXPECT_EQ(newest(), index == 0 ? Yes : No);
        EXPECT_EQ(state.Score, index == 0 ? 100 : -50);
        EXPECT_EQ(ScrLBl.caption(), index == 0 ? QString(101, QChar(0x2606)) : QString());
        read();
        EXPECT_EQ(newest(), "after");
    }
}

// Whichever slot the draw gave each answer, a screen reader hears the key
// that chooses it; and the score as a number, also where no star is shown.
TEST_F(Question, AScreenReaderHearsEachAnswerAfterItsKeyAndTheScoreAsANumber) {
    struct Case {
        float draw;
        std::int16_t index;
        const char16_t* upper;
        const char16_t* lower;
        const char16_t* score;
    };
    for (const Case& c : {Case{0.3f, 0, u"1: はい、行きます", u"2: いいえ", u"スコア 100"},
                          Case{0.7f, 1, u"1: いいえ", u"2: はい、行きます", u"スコア -50"}}) {
        oneQuestion();
        EXPECT_EQ(ScrLBl.widget()->accessibleName(), QString::fromUtf16(u"スコア 0"));
        random.push(c.draw);
        read();
        const bool zeroUp = QstLbl(0).top() < QstLbl(1).top();
        EXPECT_EQ(QstLbl(zeroUp ? 0 : 1).widget()->accessibleName(), QString::fromUtf16(c.upper));
        EXPECT_EQ(QstLbl(zeroUp ? 1 : 0).widget()->accessibleName(), QString::fromUtf16(c.lower));
        answer(c.index);
        EXPECT_EQ(ScrLBl.widget()->accessibleName(), QString::fromUtf16(c.score));
    }
}

TEST_F(Question, PointsFollowTheLevelReadAtTheMomentOfTheAnswer) {
    struct Case {
        std::int16_t level, index;
        int score;
    };
    const Case cases[] = {{1, 0, 109},  {1, 1, -54},  {10, 0, 100}, {10, 1, -50}, {50, 0, 60},
                          {50, 1, -30}, {100, 0, 10}, {100, 1, -5}, {99, 1, -5}};
    for (const Case& c : cases) {
        oneQuestion();
        random.push(0.3f);
        read();
        QstHscl.setValue(c.level); // during the round
        EXPECT_EQ(QstTim.interval(), c.level);
        EXPECT_TRUE(QstTim.isEnabled());
        answer(c.index);
        EXPECT_EQ(state.Score, c.score) << c.level << " " << c.index;
    }
}

TEST_F(Question, ScoreCarriesAcrossQuestionsAndCanGoNegative) {
    script("opn.dat", {"*a", "*b", "*c", "*d"});
    story().StartStory();
    random.push({0.1f, 0.1f});
    read();
    answer(1);
    EXPECT_EQ(state.Score, -50);
    EXPECT_EQ(ScrLBl.caption(), "");
    read();
    answer(1);
    EXPECT_EQ(state.Score, -100);
}

TEST_F(Question, FiveGoodAnswersReachTheEndingAndFourDoNot) {
    for (int good : {4, 5}) {
        QStringList lines;
        for (int q = 0; q < 5; ++q)
            lines << "*good"
                  << "*bad";
        lines << ">ive";
        script("opn.dat", lines);
        script("end.dat", {"ending"});
        story().StartStory();
        for (int q = 0; q < 5; ++q) {
            random.push(0.2f);
            read();
            ASSERT_TRUE(inQuestion());
            answer(q < good ? 0 : 1);
            read(0);
        }
        read(); // the branch line
        EXPECT_EQ(openFileName(), good == 5 ? "end.dat" : "opn.dat") << good;
        EXPECT_EQ(state.Score, good == 5 ? 500 : 350);
    }
}

TEST_F(Question, AQuestionOnTheLastLineHasAnEmptySecondAnswer) {
    script("opn.dat", {"*only"});
    story().StartStory();
    random.push(0.2f);
    read();
    EXPECT_TRUE(inQuestion());
    EXPECT_EQ(QstLbl(0).caption(), "only");
    EXPECT_EQ(QstLbl(1).caption(), "");
    answer(1);
    EXPECT_EQ(newest(), "");
    EXPECT_EQ(state.Score, -50);
    read(); // the end of the file: a new story
    EXPECT_EQ(state.Score, 0);
    EXPECT_EQ(openFileName(), "opn.dat");
}

TEST_F(Question, AnAnswerLineIsNeverTestedAsAMarkerAndLosesOneCharacter) {
    script("opn.dat", {"*", ">ive", "*", "", "*x", QString::fromUtf16(u"漢字"), "next"});
    story().StartStory();
    random.push({0.2f, 0.2f, 0.2f});
    read();
    EXPECT_EQ(QstLbl(0).caption(), "");
    EXPECT_EQ(QstLbl(1).caption(), "ive");
    answer(1);
    EXPECT_EQ(openFileName(), "opn.dat");
    read();
    EXPECT_EQ(QstLbl(1).caption(), ""); // an empty answer line
    answer(0);
    EXPECT_EQ(newest(), "");
    read();
    EXPECT_EQ(QstLbl(1).caption(), QString::fromUtf16(u"字"));
    answer(1);
    read();
    EXPECT_EQ(newest(), "next");
}

TEST_F(Question, MouseButtonHeldOnAnAnswerShowsMagentaUntilReleased) {
    oneQuestion();
    random.push(0.2f);
    read();
    story().QstLbl_MouseDown(1, 1, 0, 3, 4);
    EXPECT_EQ(QstLbl(1).backColor(), RGB(255, 0, 255));
    story().QstLbl_MouseUp(1, 2, 0, 3, 4);
    EXPECT_EQ(QstLbl(1).backColor(), RGB(0, 255, 255));
}

TEST_F(Question, ARestartDuringARoundEndsTheRound) {
    oneQuestion();
    random.push(0.2f);
    read();
    state.Score = 200;
    story().StartStory();
    EXPECT_FALSE(QstTim.isEnabled());
    EXPECT_TRUE(LBlTim.isEnabled());
    EXPECT_FALSE(QstLbl(0).isVisible() || QstPic.isVisible());
    EXPECT_EQ(state.Score, 0);
}

TEST_F(Question, ScoreStopsAtTheEdgesOfItsRange) {
    QStringList lines;
    for (int q = 0; q < 400; ++q)
        lines << "*good"
              << "*bad";
    script("opn.dat", lines);
    story().StartStory();
    QstHscl.setValue(1);
    for (int q = 0; q < 400; ++q) {
        random.push(0.2f);
        read();
        answer(0);
    }
    EXPECT_EQ(state.Score, 32767);
    EXPECT_EQ(ScrLBl.caption().size(), 32768);
}
