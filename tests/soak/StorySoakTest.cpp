// SPDX-License-Identifier: MIT
// Long runs of the story handlers, as hours of play would call them. A leak of
// a few bytes per line, or a script file left open per reopening, stays
// invisible in the short tests and shows here as growth between a point after
// the warm-up and the end.

#include "story/Score.h"
#include "story/StoryFixture.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
#define HANASHI_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HANASHI_SOAK_ASAN 1
#endif
#endif

#ifdef HANASHI_SOAK_ASAN
// AddressSanitizer replaces malloc, so glibc's statistics see none of it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace hanashi;

namespace {

int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

long long heapInUse() {
#ifdef HANASHI_SOAK_ASAN
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#else
    return static_cast<long long>(mallinfo2().uordblks);
#endif
}

// HANASHI_SOAK_SCALE divides every run length (the sanitizer build is ten to
// twenty times slower per tick).
int scaled(int count) {
    const char* text = std::getenv("HANASHI_SOAK_SCALE");
    const int divisor = text ? std::max(1, std::atoi(text)) : 1;
    return std::max(count / divisor, 1000);
}

// Growth allowed between the two samples. The story text holds different
// lines at either point, and Qt keeps a few caches of its own; a leak of one
// small block per line or per reopened file is megabytes by the end.
constexpr long long HeapSlack = 256 * 1024;

const QString Star = QString(QChar(0x2606));

class StorySoak : public StoryFixture {
protected:
    struct Sample {
        int descriptors;
        long long heap;
    };

    Sample sample() {
        // The running program's event loop delivers the repaints and layout
        // requests the handlers post; do the same before counting.
        QCoreApplication::sendPostedEvents();
        return {openDescriptors(), heapInUse()};
    }

    void expectFlat(const Sample& warm, const Sample& end) {
        EXPECT_EQ(end.descriptors, warm.descriptors);
        EXPECT_LE(end.heap - warm.heap, HeapSlack)
            << "heap grew from " << warm.heap << " to " << end.heap << " bytes";
    }

    // The score bar after an answer: one star more than the score, none below 0.
    void expectScoreBar() {
        const qsizetype stars = state.Score < 0 ? 0 : state.Score + 1;
        ASSERT_EQ(ScrLBl.caption().size(), stars) << state.Score;
        if (stars > 0) {
            ASSERT_TRUE(ScrLBl.caption().startsWith(Star) && ScrLBl.caption().endsWith(Star));
        }
    }

    static std::int16_t saturated(long long score) {
        return static_cast<std::int16_t>(std::clamp<long long>(score, -32768, 32767));
    }

    // Every second draw puts answer 0 in the upper slot.
    void pushDraws(int count) {
        std::vector<float> draws(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            draws[static_cast<std::size_t>(i)] = i % 2 ? 0.75f : 0.25f;
        random.push(draws);
    }
};

const QStringList Opening = {
    QString::fromUtf16(u"夏祭りの夜だった。"),
    QString::fromUtf16(u"提灯の明かりが坂道を染める。"),
    QString(),
    QString::fromUtf16(u"「灯籠を流すかい」"),
    QString::fromUtf16(u"*流す"),
    QString::fromUtf16(u"*流さない"),
    QString::fromUtf16(u"川面に光が揺れた。"),
    QString::fromUtf16(u"ここで道が分かれる>ive"),
};
// Two endings, swapped now and then: one runs off its end (a new story, score
// 0), the other restarts the opening with the score kept.
const QStringList EndingToTheEnd = {
    QString::fromUtf16(u"坂の上で花火が上がった。"),
    QString::fromUtf16(u"*見上げる"),
    QString::fromUtf16(u"*うつむく"),
    QString::fromUtf16(u"夏が終わる。"),
};
const QStringList EndingToTheStart = {
    QString::fromUtf16(u"もう一度、はじめから。"),
    QString::fromUtf16(u"*戻る>end"),
};

} // namespace

TEST_F(StorySoak, AMillionReaderTicksKeepDescriptorsHeapAndScoreSteady) {
    const int ticks = scaled(1'000'000);
    const int warmUp = ticks / 10;
    script("opn.dat", Opening);
    script("end.dat", EndingToTheEnd);
    // At most one question per four lines read.
    pushDraws(ticks / 4 + 1);
    story().StartStory();

    long long expected = 0;
    int rounds = 0, reopenings = 0, branchesToTheEnding = 0, endsOfFile = 0;
    bool endingToTheEnd = true;
    // The script the process holds open, looked at whenever one opens.
    QString reading = scriptJustOpened();
    Sample warm{};
    for (int tick = 1; tick <= ticks; ++tick) {
        if (tick % 5000 == 0) {
            endingToTheEnd = !endingToTheEnd;
            script("end.dat", endingToTheEnd ? EndingToTheEnd : EndingToTheStart);
        }
        if (tick % 9973 == 0) { // a layout pass in the middle of the story
            story().StartStory();
            expected = 0;
            reading = scriptJustOpened();
        }
        const bool atEnd = files.eof(state.ScriptFileNo);
        story().LBlTim_Timer();

        if (atEnd) {
            ++endsOfFile;
            expected = 0;
            reading = scriptJustOpened();
            ASSERT_EQ(reading, "opn.dat") << "tick " << tick;
        } else if (newest().isEmpty()) {
            // A marker line shows as an empty line; if it reopened a script,
            // only the opening's branch may lead to the ending, and only with
            // 500 points.
            const QString opened = scriptJustOpened();
            if (!opened.isEmpty()) {
                ++reopenings;
                const bool toEnding = reading == "opn.dat" && state.Score >= 500;
                ASSERT_EQ(opened, toEnding ? "end.dat" : "opn.dat") << "tick " << tick;
                branchesToTheEnding += toEnding;
                reading = opened;
            }
        }
        if (inQuestion()) {
            // Two good answers, then a bad one.
            const std::int16_t index = ++rounds % 3 == 0 ? 1 : 0;
            answer(index);
            expected = saturated(index == 0 ? expected + 100 : expected - 50);
            expectScoreBar();
        }
        ASSERT_EQ(state.Score, expected) << "tick " << tick;
        if (tick % 1000 == 0)
            QCoreApplication::sendPostedEvents();
        if (tick == warmUp)
            warm = sample();
    }
    const Sample end = sample();

    expectFlat(warm, end);
    EXPECT_EQ(scriptsHeldOpen(), 1);
    EXPECT_EQ(LBl.caption().count(QLatin1String("\r\n")), 21);
    // Every way through the scripts was taken many times over.
    EXPECT_GT(rounds, ticks / 10);
    EXPECT_GT(branchesToTheEnding, ticks / 1000);
    EXPECT_GT(endsOfFile, ticks / 1000);
    EXPECT_GT(reopenings, ticks / 100);
}

TEST_F(StorySoak, TenThousandQuestionRoundsKeepTheScoreTrue) {
    const int rounds = scaled(10'000);
    const int warmUp = rounds / 10;
    // Long runs of questions keep the score from resetting too often, so that
    // it travels far in both directions.
    QStringList opening = {QString::fromUtf16(u"問いが続く。")};
    for (int q = 0; q < 40; ++q)
        opening << QString::fromUtf16(u"*はい") << QString::fromUtf16(u"*いいえ");
    opening << ">ive";
    QStringList ending;
    for (int q = 0; q < 20; ++q)
        ending << QString::fromUtf16(u"*進む") << QString::fromUtf16(u"*戻る");
    script("opn.dat", opening);
    script("end.dat", ending);
    pushDraws(rounds);
    story().StartStory();

    const int levels[] = {1, 10, 50, 100, 37};
    long long expected = 0;
    long long lowest = 0, highest = 0;
    std::uint32_t chance = 12345;
    Sample warm{};
    for (int round = 1; round <= rounds;) {
        const bool atEnd = files.eof(state.ScriptFileNo);
        story().LBlTim_Timer();
        if (atEnd)
            expected = 0;
        ASSERT_EQ(state.Score, expected);
        if (!inQuestion())
            continue;

        const int level = levels[round % 5];
        QstHscl.setValue(level);
        const int stake = 110 - level;
        chance = chance * 1664525u + 1013904223u;
        // Good answers a little more often than bad ones and time-outs, so
        // that the score drifts upwards and often reaches the ending.
        switch ((chance >> 16) % 7) {
        case 0:
        case 1:
        case 2:
        case 3:
            answer(0);
            expected = saturated(expected + stake);
            break;
        case 4:
            answer(1);
            expected = saturated(expected - stake / 2);
            break;
        default:
            for (int tick = 1; tick < 41; ++tick)
                story().QstTim_Timer();
            ASSERT_TRUE(inQuestion()) << "timed out early in round " << round;
            story().QstTim_Timer();
            ASSERT_FALSE(inQuestion()) << "no time-out in round " << round;
            expected = saturated(expected - stake / 2);
            break;
        }
        ASSERT_EQ(state.Score, expected) << "round " << round;
        expectScoreBar();
        lowest = std::min<long long>(lowest, state.Score);
        highest = std::max<long long>(highest, state.Score);
        if (round % 100 == 0)
            QCoreApplication::sendPostedEvents();
        if (round == warmUp)
            warm = sample();
        ++round;
    }
    const Sample end = sample();

    expectFlat(warm, end);
    EXPECT_EQ(scriptsHeldOpen(), 1);
    EXPECT_LT(lowest, 0);
    EXPECT_GE(highest, 500);
}
