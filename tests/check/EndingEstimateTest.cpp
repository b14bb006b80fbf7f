// SPDX-License-Identifier: MIT
#include "check/EndingEstimate.h"
#include "check/ScriptWalk.h"
#include "platform/LineReader.h"
#include "story/Rules.h"
#include "story/StoryFixture.h"
#include "support/TestFiles.h"

using namespace hanashi;

TEST(EndingEstimate, CountsTheFewestGoodAnswers) {
    struct Case {
        int questionsPerPass;
        int level;
        int goodAnswers;
        int passes;
        int gain;
        int loss;
    };
    const Case cases[] = {
        {5, 10, 5, 1, 100, 50}, // the bundled opening: all five on the first pass
        {6, 10, 6, 1, 100, 50}, // one bad answer leaves 450
        {7, 10, 6, 1, 100, 50}, // 600 - 50 = 550
        {1, 10, 5, 5, 100, 50},
        {2, 10, 6, 3, 100, 50}, // the third pass must be perfect too
        {3, 1, 6, 2, 109, 54},  // 5 good and 1 bad give 491
        {4, 100, 51, 13, 10, 5},
        // One pass of 20 million questions, where every bad answer costs
        // points; at the best level they are worth more than 2^31.
        {20'000'000, 10, 6'666'670, 1, 100, 50},
        {20'000'000, 1, 6'625'770, 1, 109, 54},
    };
    for (const Case& c : cases) {
        const EndingEstimate e = estimateEnding(c.questionsPerPass, c.level);
        EXPECT_EQ(e.goodAnswers, c.goodAnswers) << c.questionsPerPass << " at " << c.level;
        EXPECT_EQ(e.passes, c.passes) << c.questionsPerPass << " at " << c.level;
        EXPECT_EQ(e.questions, c.passes * c.questionsPerPass);
        EXPECT_EQ(e.gain, c.gain);
        EXPECT_EQ(e.loss, c.loss);
    }
    const EndingEstimate none = estimateEnding(0, LevelBar.start);
    EXPECT_EQ(none.passes, 0);
    EXPECT_EQ(none.goodAnswers, 0);
}

// The score stops at its 16-bit edge, as the game's does.
TEST(EndingEstimate, OnePassWinsAtMostWhatTheScoreHolds) {
    EXPECT_EQ(bestScoreOfOnePass(0, LevelBar.start), 0);
    EXPECT_EQ(bestScoreOfOnePass(5, LevelBar.start), 500);
    EXPECT_EQ(bestScoreOfOnePass(5, LevelBar.min), 545);
    EXPECT_EQ(bestScoreOfOnePass(400, LevelBar.start), 32767);
    EXPECT_EQ(bestScoreOfOnePass(20'000'000, LevelBar.min), 32767);
}

namespace {

// The game's own reader and question round, played through the opening with
// the good answers first: no other order reaches the branch line with more
// points, so if this misses the ending, every order with as few does.
class PlayedEnding : public StoryFixture {
protected:
    // Plays until the ending opens or `passes` passes are over; returns
    // whether the ending opened.
    bool reachesEnding(int goodAnswers, int passes) {
        story().StartStory();
        int passesDone = 0;
        int good = goodAnswers;
        // Every tick reads a line; a pass is at most a few hundred lines.
        for (int tick = 0; tick < 100000 && passesDone < passes; ++tick) {
            random.push(0.25f); // the answer slots, if this line asks
            read();
            if (openFileName() == "end.dat")
                return true;
            // The branch line has opened the opening again.
            if (!scriptJustOpened().isEmpty())
                ++passesDone;
            if (inQuestion())
                answer(good-- > 0 ? 0 : 1);
        }
        return false;
    }

    static ScriptWalk walk(const QStringList& lines) {
        LineReader reader(TestFiles::script(lines));
        return walkScript(reader, "opn.dat");
    }
};

} // namespace

TEST_F(PlayedEnding, TheGameOpensTheEndingWithTheEstimatedAnswersAndNotOneFewer) {
    const QStringList opening = {"一",      "*よい", "*わるい", "二",   "*よい",
                                 "*わるい", "*よい", "*わるい", ">ive", "迷子"};
    script("opn.dat", opening);
    script("end.dat", {"おわり"});
    const ScriptWalk w = walk(opening);
    ASSERT_EQ(w.questions, 3);
    ASSERT_EQ(w.exitLine, 9);
    for (int level : {LevelBar.start, LevelBar.min, 55}) {
        QstHscl.setValue(static_cast<std::int16_t>(level));
        const EndingEstimate e = estimateEnding(w.questions, level);
        ASSERT_GT(e.passes, 0);
        EXPECT_TRUE(reachesEnding(e.goodAnswers, e.passes)) << level;
        // With one good answer fewer, more passes only cost more points.
        EXPECT_FALSE(reachesEnding(e.goodAnswers - 1, e.passes + 20)) << level;
    }
}

// The end of the opening takes the points away: however well the player
// answers, the ending never opens, and the walk finds no branch line.
TEST_F(PlayedEnding, NeverOpensWithoutABranchLine) {
    const QStringList opening = {"一", "*よい", "*わるい", "*よい", "*わるい", "二"};
    script("opn.dat", opening);
    script("end.dat", {"おわり"});
    const ScriptWalk w = walk(opening);
    EXPECT_FALSE(w.exitKind.has_value());
    int opened = 0;
    story().StartStory();
    for (int tick = 0; tick < 500; ++tick) {
        random.push(0.75f);
        read();
        if (inQuestion())
            answer(0);
        opened += openFileName() == "end.dat";
    }
    EXPECT_EQ(opened, 0);
    EXPECT_LT(state.Score, 500);
}
