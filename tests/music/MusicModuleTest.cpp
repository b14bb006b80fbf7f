// SPDX-License-Identifier: MIT
#include "music/MusicModule.h"
#include "platform/MciInterpreter.h"
#include "support/FakeMidiEngine.h"

#include <gtest/gtest.h>
#include <optional>

namespace hanashi {
namespace {

// Records every command string with what came with it, and answers the
// status query with a scripted reply (none: the query fails untouched).
class RecordingMci : public Mci {
public:
    struct Call {
        QString command;
        bool hasReply;
        QString bufferBefore;
        int replyLength;
    };

    std::optional<QString> statusReply;
    std::vector<Call> calls;

    int sendString(const QString& command, QString* reply, int replyLength) override {
        calls.push_back({command, reply != nullptr, reply ? *reply : QString(), replyLength});
        if (!command.startsWith(QLatin1String("status")))
            return 0;
        if (!statusReply)
            return mciCode(MciError::UnknownAlias);
        *reply = statusReply->left(replyLength);
        return 0;
    }

    QStringList commands() const {
        QStringList out;
        for (const Call& call : calls)
            out.append(call.command);
        return out;
    }
};

TEST(MusicModule, EachProcedureSendsExactlyItsCommandsWithoutReply) {
    const QString path = QStringLiteral("/home/日本語/dat/bgm.mid");
    const struct {
        const char* name;
        void (*run)(MusicModule&, const QString&);
        QStringList commands;
        std::int16_t loopAfter;
    } cases[] = {
        {"OpenMusic",
         [](MusicModule& m, const QString& p) { m.OpenMusic(p); },
         {"close MIDI notify", "open \"/home/日本語/dat/bgm.mid\" alias MIDI"},
         0},
        {"CloseMusic",
         [](MusicModule& m, const QString&) { m.CloseMusic(); },
         {"close MIDI notify"},
         0},
        {"PlayMusic",
         [](MusicModule& m, const QString&) { m.PlayMusic(); },
         {"play MIDI notify"},
         -1},
        {"StopMusic",
         [](MusicModule& m, const QString&) { m.StopMusic(); },
         {"stop MIDI notify"},
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingMci mci;
        MusicModule music(mci);
        c.run(music, path);
        EXPECT_EQ(mci.commands(), c.commands);
        for (const auto& call : mci.calls) {
            EXPECT_FALSE(call.hasReply);
            EXPECT_EQ(call.replyLength, 0);
        }
        // The loop flag, seen as the watchdog sees it.
        mci.calls.clear();
        mci.statusReply = QStringLiteral("stopped");
        music.BgmTim_Timer();
        EXPECT_EQ(mci.commands().size(), c.loopAfter ? 3 : 1);
    }
}

TEST(MusicModule, WatchdogRestartsOnlyOnAStoppedReplyWhileLooping) {
    const QStringList restart = {"status MIDI mode", "seek MIDI to start", "play MIDI from 0"};
    const QStringList nothing = {"status MIDI mode"};
    const struct {
        std::optional<QString> reply;
        bool played;
        bool stoppedAfter;
        QStringList commands;
    } cases[] = {
        {QStringLiteral("stopped"), true, false, restart},
        {QStringLiteral("STOPPED extra"), true, false, restart},
        {QStringLiteral("Stopped"), true, false, restart},
        {QStringLiteral("stoppedstoppedstopped"), true, false, restart}, // cut to 15
        {QStringLiteral(" stopped"), true, false, nothing},
        {QStringLiteral("stoppe"), true, false, nothing},
        {QStringLiteral("stop"), true, false, nothing},
        {QStringLiteral("playing"), true, false, nothing},
        {QStringLiteral(""), true, false, nothing},
        {std::nullopt, true, false, nothing},               // the query fails: blanks stay
        {QStringLiteral("stopped"), false, false, nothing}, // never played
        {QStringLiteral("stopped"), true, true, nothing},   // stopped on request
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply.value_or(QStringLiteral("<unanswered>")).toStdString());
        RecordingMci mci;
        MusicModule music(mci);
        if (c.played)
            music.PlayMusic();
        if (c.stoppedAfter)
            music.StopMusic();
        mci.calls.clear();
        mci.statusReply = c.reply;
        music.BgmTim_Timer();
        EXPECT_EQ(mci.commands(), c.commands);
        // The query: a fresh buffer of 16 blanks, a length of 15.
        EXPECT_TRUE(mci.calls.at(0).hasReply);
        EXPECT_EQ(mci.calls.at(0).bufferBefore, QString(16, QLatin1Char(' ')));
        EXPECT_EQ(mci.calls.at(0).replyLength, 15);
        for (std::size_t i = 1; i < mci.calls.size(); ++i)
            EXPECT_FALSE(mci.calls[i].hasReply);
    }
}

TEST(MusicModule, EachTickQueriesWithAFreshBuffer) {
    RecordingMci mci;
    MusicModule music(mci);
    mci.statusReply = QStringLiteral("playing");
    music.BgmTim_Timer();
    mci.statusReply.reset();
    mci.calls.clear();
    music.BgmTim_Timer();
    ASSERT_EQ(mci.calls.size(), 1U);
    EXPECT_EQ(mci.calls[0].bufferBefore, QString(16, QLatin1Char(' ')));
}

// Against the interpreter: the states of the music as the game goes through
// them, and what the watchdog does in each.
TEST(MusicModule, LoopsThroughTheInterpreterOnlyWhilePlayingIsWanted) {
    auto owned = std::make_unique<FakeMidiEngine>();
    FakeMidiEngine& engine = *owned;
    MciInterpreter mci(std::move(owned));
    MusicModule music(mci);

    music.BgmTim_Timer(); // nothing open: nothing happens
    music.OpenMusic(QStringLiteral("/d/bgm.mid"));
    music.BgmTim_Timer(); // open, stopped, flag false
    EXPECT_EQ(engine.journal(), QStringList({"open /d/bgm.mid"}));

    music.PlayMusic();
    music.BgmTim_Timer();
    engine.liveDevices().front()->reachEnd();
    music.BgmTim_Timer();
    EXPECT_EQ(engine.journal(),
              QStringList({"open /d/bgm.mid", "play /d/bgm.mid", "seek /d/bgm.mid",
                           "seek /d/bgm.mid", "play /d/bgm.mid"}));

    engine.clearJournal();
    music.StopMusic();
    music.BgmTim_Timer();
    music.CloseMusic();
    music.BgmTim_Timer();
    EXPECT_EQ(engine.journal(), QStringList({"stop /d/bgm.mid", "close /d/bgm.mid"}));
    EXPECT_TRUE(engine.liveDevices().empty());
}

// The watchdog may sleep while no tick of it could act: while the music is
// not meant to loop, while nothing is open, or as long as the device is
// sure to play on. Every procedure tells the window, which wakes it.
TEST(MusicModule, TellsHowLongTheWatchdogMaySleepAndWhenToWakeIt) {
    using std::chrono::milliseconds;
    auto owned = std::make_unique<FakeMidiEngine>();
    FakeMidiEngine& engine = *owned;
    MciInterpreter mci(std::move(owned));
    MusicModule music(mci);
    int commands = 0;
    music.setOnCommand([&] { ++commands; });

    EXPECT_EQ(music.watchdogMaySleepFor(), milliseconds::max());
    engine.failing.insert(QStringLiteral("/d/none.mid"));
    music.OpenMusic(QStringLiteral("/d/none.mid"));
    music.PlayMusic();
    EXPECT_EQ(music.watchdogMaySleepFor(), milliseconds::max());

    music.OpenMusic(QStringLiteral("/d/bgm.mid"));
    EXPECT_EQ(music.watchdogMaySleepFor(), milliseconds(0));
    engine.liveDevices().front()->quiet = milliseconds(2500);
    EXPECT_EQ(music.watchdogMaySleepFor(), milliseconds(2500));
    music.StopMusic();
    EXPECT_EQ(music.watchdogMaySleepFor(), milliseconds::max());
    music.CloseMusic();
    EXPECT_EQ(commands, 5);
}

TEST(MusicModule, OpeningTwiceLeavesOneDeviceForTheSecondPath) {
    auto owned = std::make_unique<FakeMidiEngine>();
    FakeMidiEngine& engine = *owned;
    MciInterpreter mci(std::move(owned));
    MusicModule music(mci);
    music.OpenMusic(QStringLiteral("/d/first.mid"));
    music.OpenMusic(QStringLiteral("/d/second.mid"));
    ASSERT_EQ(engine.liveDevices().size(), 1U);
    EXPECT_EQ(engine.liveDevices().front()->path(), "/d/second.mid");

    // A path that cannot be written in the command opens nothing at all.
    music.OpenMusic(QStringLiteral("/d/say \"hi\".mid"));
    EXPECT_TRUE(engine.liveDevices().empty());
    EXPECT_FALSE(engine.journal().last().startsWith(QLatin1String("open")));
}

} // namespace
} // namespace hanashi
