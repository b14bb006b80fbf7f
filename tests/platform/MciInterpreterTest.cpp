// SPDX-License-Identifier: MIT
#include "platform/MciInterpreter.h"
#include "platform/Workers.h"
#include "support/FakeMidiEngine.h"
#include "support/OwnProcess.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace hanashi {
namespace {

// An interpreter over a fake engine, with "/m/a.mid" open as MIDI.
struct Rig {
    FakeMidiEngine* engine;
    MciInterpreter mci;

    Rig()
        : Rig(std::make_unique<FakeMidiEngine>()) {}

    int send(const QString& command, QString* reply = nullptr, int length = 0) {
        return mci.sendString(command, reply, length);
    }

private:
    explicit Rig(std::unique_ptr<FakeMidiEngine> fake)
        : engine(fake.get())
        , mci(std::move(fake)) {
        mci.sendString(QStringLiteral("open \"/m/a.mid\" alias MIDI"), nullptr, 0);
        engine->clearJournal();
    }
};

TEST(MciInterpreter, CarriesOutEachCommandForm) {
    const struct {
        const char* command;
        QStringList journal;
        std::size_t devicesAfter;
    } cases[] = {
        {"close MIDI", {"close /m/a.mid"}, 0},
        {"close MIDI notify", {"close /m/a.mid"}, 0},
        {"play MIDI", {"play /m/a.mid"}, 1},
        {"play MIDI notify", {"play /m/a.mid"}, 1},
        {"play MIDI from 0", {"seek /m/a.mid", "play /m/a.mid"}, 1},
        {"stop MIDI notify", {"stop /m/a.mid"}, 1},
        {"seek MIDI to start", {"seek /m/a.mid"}, 1},
        {"status MIDI mode", {}, 1},
        // Keywords and aliases are matched without regard to case or spacing.
        {"  PLAY   midi   NOTIFY ", {"play /m/a.mid"}, 1},
        {"Seek Midi To Start", {"seek /m/a.mid"}, 1},
        {"open \"/m/b.mid\" alias MIDI", {"close /m/a.mid", "open /m/b.mid"}, 1},
        {"open \"/m/b.mid\" alias SECOND", {"open /m/b.mid"}, 2},
        {"open /m/bare.MID alias MIDI", {"close /m/a.mid", "open /m/bare.MID"}, 1},
        {"open \"/m/two words.midi\" alias MIDI", {"close /m/a.mid", "open /m/two words.midi"}, 1},
        {"OPEN \"/m/b.mid\" ALIAS midi", {"close /m/a.mid", "open /m/b.mid"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Rig rig;
        EXPECT_EQ(rig.send(QString::fromUtf8(c.command)), 0);
        EXPECT_EQ(rig.engine->journal(), c.journal);
        EXPECT_EQ(rig.engine->liveDevices().size(), c.devicesAfter);
    }
}

TEST(MciInterpreter, RefusesWhatItDoesNotUnderstandWithoutTouchingTheDevice) {
    const struct {
        const char* command;
        MciError error;
    } cases[] = {
        {"", MciError::UnrecognizedCommand},
        {"   ", MciError::UnrecognizedCommand},
        {"pause MIDI", MciError::UnrecognizedCommand},
        {"set MIDI time format milliseconds", MciError::UnrecognizedCommand},
        {"play", MciError::MissingParameter},
        {"play \"\"", MciError::MissingParameter},
        // "wait" would block the caller until the end of the piece.
        {"play MIDI wait", MciError::UnrecognizedCommand},
        {"play MIDI from", MciError::MissingParameter},
        {"play MIDI from -1", MciError::BadParameter},
        {"play MIDI from x", MciError::BadParameter},
        {"play MIDI from 99999999999", MciError::BadParameter},
        {"play MIDI from 0 from 0", MciError::UnrecognizedCommand},
        // Only the start is a position we can find without the tempo map.
        {"play MIDI from 1500", MciError::BadParameter},
        {"stop MIDI now", MciError::UnrecognizedCommand},
        {"status MIDI", MciError::MissingParameter},
        {"status MIDI length", MciError::UnrecognizedCommand},
        {"status MIDI mode notify", MciError::UnrecognizedCommand},
        {"seek MIDI", MciError::MissingParameter},
        {"seek MIDI to", MciError::MissingParameter},
        {"seek MIDI to end", MciError::BadParameter},
        {"close MIDI alias X", MciError::UnrecognizedCommand},
        {"open \"/m/b.mid\"", MciError::MissingParameter},
        {"open \"/m/b.mid\" alias", MciError::MissingParameter},
        {"open \"/m/b.mid\" alias MIDI notify", MciError::UnrecognizedCommand},
        {"open \"/m/b.wav\" alias MIDI", MciError::UnknownDeviceType},
        {"open \"/m/mid\" alias MIDI", MciError::UnknownDeviceType},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        Rig rig;
        EXPECT_EQ(rig.send(QString::fromUtf8(c.command)), mciCode(c.error));
        EXPECT_EQ(rig.engine->journal(), QStringList());
        EXPECT_EQ(rig.engine->liveDevices().size(), 1U);
    }
}

// A path holding a double quote cannot be written in the open command. Every
// way such a path lands in the command must fail, and must never open some
// other file or name some other alias.
TEST(MciInterpreter, OpenOfAPathHoldingAQuoteFailsCleanly) {
    const char* paths[] = {
        "/m/a\"b.mid",
        "/m/x.mid\" alias OTHER",
        "/m/x.mid\" alias OTHER \"y",
        "/m/x.mid\" \"y.mid",
        "\"",
        "/m/x.mid\" alias MIDI notify \"",
    };
    for (const char* path : paths) {
        SCOPED_TRACE(path);
        Rig rig;
        const QString command =
            QStringLiteral("open \"") + QString::fromUtf8(path) + QStringLiteral("\" alias MIDI");
        EXPECT_NE(rig.send(command), 0);
        EXPECT_FALSE(rig.engine->journal().join(' ').contains(QLatin1String("open")));
        EXPECT_EQ(rig.send(QStringLiteral("status OTHER mode")), mciCode(MciError::UnknownAlias));
    }
}

TEST(MciInterpreter, StatusAnswersTheModeCutToTheReplyLength) {
    const struct {
        bool playing;
        int length;
        const char* reply;
    } cases[] = {
        {false, 15, "stopped"}, {true, 15, "playing"}, {false, 7, "stopped"}, {false, 3, "sto"},
        {true, 1, "p"},         {false, 0, ""},        {false, -5, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        Rig rig;
        if (c.playing)
            rig.send(QStringLiteral("play MIDI"));
        QString reply(16, QLatin1Char(' '));
        EXPECT_EQ(rig.send(QStringLiteral("status MIDI mode"), &reply, c.length), 0);
        EXPECT_EQ(reply, QString::fromUtf8(c.reply));
    }
    Rig rig;
    EXPECT_EQ(rig.send(QStringLiteral("status MIDI mode"), nullptr, 15), 0);
}

TEST(MciInterpreter, ModeFollowsPlayStopAndTheEndOfThePiece) {
    Rig rig;
    const auto mode = [&rig] {
        QString reply;
        rig.send(QStringLiteral("status MIDI mode"), &reply, 15);
        return reply;
    };
    EXPECT_EQ(mode(), "stopped");
    rig.send(QStringLiteral("play MIDI notify"));
    EXPECT_EQ(mode(), "playing");
    rig.engine->liveDevices().front()->reachEnd();
    EXPECT_EQ(mode(), "stopped");
    rig.send(QStringLiteral("play MIDI from 0"));
    EXPECT_EQ(mode(), "playing");
    rig.send(QStringLiteral("stop MIDI notify"));
    EXPECT_EQ(mode(), "stopped");
}

TEST(MciInterpreter, CommandsForAnAliasNotOpenFailAndLeaveTheReplyAlone) {
    const char* commands[] = {"close OTHER notify", "play OTHER notify",   "play OTHER from 0",
                              "stop OTHER notify",  "seek OTHER to start", "status OTHER mode"};
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        Rig rig;
        QString reply = QStringLiteral("untouched");
        EXPECT_EQ(rig.send(QString::fromUtf8(command), &reply, 15),
                  mciCode(MciError::UnknownAlias));
        EXPECT_EQ(reply, "untouched");
        EXPECT_EQ(rig.engine->journal(), QStringList());
    }

    Rig rig;
    rig.send(QStringLiteral("close MIDI"));
    QString reply(16, QLatin1Char(' '));
    EXPECT_EQ(rig.send(QStringLiteral("status MIDI mode"), &reply, 15),
              mciCode(MciError::UnknownAlias));
    EXPECT_EQ(reply, QString(16, QLatin1Char(' ')));
    EXPECT_EQ(rig.send(QStringLiteral("close MIDI")), mciCode(MciError::UnknownAlias));
}

// The old device is closed before the new file is tried, so a failed open
// leaves nothing under the alias rather than the previous piece.
TEST(MciInterpreter, OpenOnAnOpenAliasClosesTheOldDeviceFirst) {
    Rig rig;
    rig.engine->failing.insert(QStringLiteral("/m/broken.mid"));
    EXPECT_EQ(rig.send(QStringLiteral("open \"/m/broken.mid\" alias MIDI")),
              mciCode(MciError::CannotOpen));
    EXPECT_EQ(rig.engine->journal(), QStringList({"close /m/a.mid", "refuse /m/broken.mid"}));
    EXPECT_TRUE(rig.engine->liveDevices().empty());
    EXPECT_EQ(rig.send(QStringLiteral("play MIDI")), mciCode(MciError::UnknownAlias));
}

TEST(MciInterpreter, ADeviceThatRefusesReportsFailure) {
    Rig rig;
    rig.engine->liveDevices().front()->setRefuseAll(true);
    for (const char* command : {"play MIDI", "play MIDI from 0", "stop MIDI", "seek MIDI to start"})
        EXPECT_EQ(rig.send(QString::fromUtf8(command)), mciCode(MciError::DeviceFailed)) << command;
}

// As on a machine without a SoundFont or sound output: the open fails and
// leaves no alias behind.
TEST(MciInterpreter, AnOpenThatFailsLeavesNoAlias) {
    auto engine = std::make_unique<FakeMidiEngine>();
    engine->failing.insert(QStringLiteral("/m/a.mid"));
    MciInterpreter mci(std::move(engine));
    EXPECT_EQ(mci.sendString(QStringLiteral("open \"/m/a.mid\" alias MIDI"), nullptr, 0),
              mciCode(MciError::CannotOpen));
    EXPECT_EQ(mci.sendString(QStringLiteral("status MIDI mode"), nullptr, 0),
              mciCode(MciError::UnknownAlias));
}

// The fake engine behind a gate: each open waits, on the interpreter's worker
// thread, until the test lets it through.
class GatedEngine : public MidiEngine {
public:
    std::unique_ptr<MidiDevice> open(const QString& path) override {
        m_gate.wait();
        return fake.open(path);
    }
    void release() { m_release.set_value(); }
    // The engine goes last, after every device the interpreter or a worker
    // held, possibly on the worker's thread.
    ~GatedEngine() override {
        if (journalAtEnd)
            *journalAtEnd = fake.journal();
        if (gone)
            gone->set_value();
    }

    FakeMidiEngine fake;
    QStringList* journalAtEnd = nullptr;
    std::promise<void>* gone = nullptr;

private:
    std::promise<void> m_release;
    std::shared_future<void> m_gate = m_release.get_future().share();
};

struct LoadingRig {
    Workers workers;
    GatedEngine* engine;
    MciInterpreter mci;

    // Waits for a load that long at most; the default is ample for a load
    // the test has let through.
    explicit LoadingRig(std::chrono::milliseconds loadWait = std::chrono::seconds(30))
        : LoadingRig(std::make_unique<GatedEngine>(), loadWait) {}

    int send(const char* command) { return mci.sendString(QString::fromUtf8(command), nullptr, 0); }
    QString mode() {
        QString reply = QStringLiteral("unset");
        mci.sendString(QStringLiteral("status MIDI mode"), &reply, 15);
        return reply;
    }

private:
    LoadingRig(std::unique_ptr<GatedEngine> gated, std::chrono::milliseconds loadWait)
        : engine(gated.get())
        , mci(std::move(gated), {workers, nullptr, loadWait}) {}
};

// An interpreter over a gated engine that it may outlive: the engine goes
// with the last worker, and what it saw is read once it is gone.
struct OutlivedEngine {
    QStringList journalAtEnd;
    std::promise<void> gone;
    GatedEngine* engine = nullptr;
    // Goes first, once every worker has finished with what is above.
    Workers workers;

    MciInterpreter interpreter(std::chrono::milliseconds loadWait) {
        auto gated = std::make_unique<GatedEngine>();
        gated->journalAtEnd = &journalAtEnd;
        gated->gone = &gone;
        engine = gated.get();
        return MciInterpreter(std::move(gated), {workers, nullptr, loadWait});
    }
    int send(MciInterpreter& mci, const char* command) {
        return mci.sendString(QString::fromUtf8(command), nullptr, 0);
    }
    // The engine's journal, once the interpreter and every worker are done.
    QStringList journal() {
        gone.get_future().wait();
        return journalAtEnd;
    }
};

// The game's start-up sends open then play and polls the mode; none of it may
// wait for the load, and the device must end up as if each had waited. The
// close at the end waits for the load, as it always does, so the journal
// shows what reached the device before it was closed.
TEST(MciInterpreterLoading, CommandsDuringTheLoadAreCarriedOutOnceTheDeviceIsReady) {
    const struct {
        std::vector<const char*> during;
        const char* modeDuring;
        QStringList journal;
    } cases[] = {
        {{}, "stopped", {"open /m/a.mid"}},
        {{"play MIDI notify"}, "playing", {"open /m/a.mid", "play /m/a.mid"}},
        {{"play MIDI from 0"}, "playing", {"open /m/a.mid", "seek /m/a.mid", "play /m/a.mid"}},
        {{"play MIDI", "stop MIDI notify"}, "stopped", {"open /m/a.mid"}},
        {{"stop MIDI", "play MIDI"}, "playing", {"open /m/a.mid", "play /m/a.mid"}},
        {{"seek MIDI to start"}, "stopped", {"open /m/a.mid", "seek /m/a.mid"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.journal.join(QLatin1Char(',')).toStdString());
        LoadingRig rig;
        ASSERT_EQ(rig.send("open \"/m/a.mid\" alias MIDI"), 0);
        for (const char* command : c.during)
            EXPECT_EQ(rig.send(command), 0) << command;
        EXPECT_EQ(rig.mode(), c.modeDuring);
        // Nothing has reached a device yet: the open is still held.
        EXPECT_TRUE(rig.engine->fake.journal().isEmpty());

        rig.engine->release();
        EXPECT_EQ(rig.send("close MIDI"), 0);
        EXPECT_EQ(rig.engine->fake.journal(), c.journal + QStringList({"close /m/a.mid"}));
        EXPECT_TRUE(rig.engine->fake.liveDevices().empty());
    }
}

TEST(MciInterpreterLoading, RefusesTheSameBadCommandsWhileLoading) {
    LoadingRig rig;
    ASSERT_EQ(rig.send("open \"/m/a.mid\" alias MIDI"), 0);
    EXPECT_EQ(rig.send("play MIDI from 5"), mciCode(MciError::BadParameter));
    EXPECT_EQ(rig.send("play OTHER"), mciCode(MciError::UnknownAlias));
    EXPECT_EQ(rig.mode(), "stopped");
    rig.engine->release();
    EXPECT_EQ(rig.send("close MIDI"), 0);
    EXPECT_EQ(rig.engine->fake.journal(), QStringList({"open /m/a.mid", "close /m/a.mid"}));
}

// A failed load leaves no alias, as a failed open always did: the first
// command once the load has failed finds none (until then the mode is the
// one asked for). close, which waits for the load, reports it.
TEST(MciInterpreterLoading, ALoadThatFailsLeavesNothingUnderTheAlias) {
    {
        LoadingRig rig;
        rig.engine->fake.failing.insert(QStringLiteral("/m/broken.mid"));
        ASSERT_EQ(rig.send("open \"/m/broken.mid\" alias MIDI"), 0);
        EXPECT_EQ(rig.send("play MIDI"), 0);
        rig.engine->release();
        EXPECT_TRUE(OwnProcess::waitUntil([&rig] { return rig.mode() != "playing"; }));
        EXPECT_EQ(rig.mode(), "unset");
        EXPECT_EQ(rig.send("play MIDI"), mciCode(MciError::UnknownAlias));
        EXPECT_EQ(rig.engine->fake.journal(), QStringList({"refuse /m/broken.mid"}));
    }
    {
        LoadingRig rig;
        rig.engine->fake.failing.insert(QStringLiteral("/m/broken.mid"));
        ASSERT_EQ(rig.send("open \"/m/broken.mid\" alias MIDI"), 0);
        rig.engine->release();
        EXPECT_EQ(rig.send("close MIDI"), mciCode(MciError::UnknownAlias));
        EXPECT_EQ(rig.mode(), "unset");
    }
}

// close, a second open on the alias and the interpreter's end all wait for a
// load that finishes within the wait, then close what it opened: no device
// outlives its alias.
TEST(MciInterpreterLoading, CloseReopenAndTheEndWaitForTheLoadAndCloseItsDevice) {
    {
        LoadingRig rig;
        ASSERT_EQ(rig.send("open \"/m/a.mid\" alias MIDI"), 0);
        ASSERT_EQ(rig.send("play MIDI"), 0);
        std::thread releaser([&rig] { rig.engine->release(); });
        EXPECT_EQ(rig.send("close MIDI notify"), 0);
        releaser.join();
        EXPECT_EQ(rig.mode(), "unset");
        EXPECT_TRUE(rig.engine->fake.liveDevices().empty());
        // As without the load: the device was told to play, then closed.
        EXPECT_EQ(rig.engine->fake.journal(),
                  QStringList({"open /m/a.mid", "play /m/a.mid", "close /m/a.mid"}));
    }
    {
        LoadingRig rig;
        ASSERT_EQ(rig.send("open \"/m/a.mid\" alias MIDI"), 0);
        std::thread releaser([&rig] { rig.engine->release(); });
        // The gate stays open for the second file.
        EXPECT_EQ(rig.send("open \"/m/b.mid\" alias MIDI"), 0);
        releaser.join();
        EXPECT_EQ(rig.send("play MIDI"), 0);
        EXPECT_EQ(rig.send("close MIDI"), 0);
        EXPECT_EQ(rig.engine->fake.journal(),
                  QStringList({"open /m/a.mid", "close /m/a.mid", "open /m/b.mid", "play /m/b.mid",
                               "close /m/b.mid"}));
    }
    {
        OutlivedEngine outlived;
        std::thread releaser;
        {
            MciInterpreter mci = outlived.interpreter(std::chrono::seconds(30));
            ASSERT_EQ(outlived.send(mci, "open \"/m/a.mid\" alias MIDI"), 0);
            releaser = std::thread([&outlived] { outlived.engine->release(); });
        }
        releaser.join();
        EXPECT_EQ(outlived.journal(), QStringList({"open /m/a.mid", "close /m/a.mid"}));
    }
}

// A load that does not finish within the wait (a sound server that never
// answers) must not hold up close, a new open or the end: it is given up,
// and the device it makes later is closed on the worker, never addressed:
// the play sent during the load never reaches it.
TEST(MciInterpreterLoading, ALoadPastTheWaitIsGivenUpAndItsDeviceClosedWhenItComes) {
    for (const char* giveUp : {"close MIDI notify", "open \"/m/b.mid\" alias MIDI", "end"}) {
        SCOPED_TRACE(giveUp);
        OutlivedEngine outlived;
        {
            MciInterpreter mci = outlived.interpreter(std::chrono::milliseconds(0));
            ASSERT_EQ(outlived.send(mci, "open \"/m/a.mid\" alias MIDI"), 0);
            ASSERT_EQ(outlived.send(mci, "play MIDI"), 0);
            if (std::string(giveUp) != "end") {
                EXPECT_EQ(outlived.send(mci, giveUp), 0);
            }
        }
        outlived.engine->release();
        QStringList journal = outlived.journal();
        // The second open waits at the same gate, and is given up in turn.
        QStringList expected = {"open /m/a.mid", "close /m/a.mid"};
        if (std::string(giveUp).starts_with("open"))
            expected = {"open /m/a.mid", "close /m/a.mid", "open /m/b.mid", "close /m/b.mid"};
        journal.sort();
        expected.sort();
        EXPECT_EQ(journal, expected);
    }
}

// End during a load that never finishes: close waits for it once, then lets
// go, however the interpreter goes on to remove the alias.
TEST(MciInterpreterLoading, CloseWaitsForAStuckLoadOnlyOnce) {
    OutlivedEngine outlived;
    const std::chrono::milliseconds wait(400);
    {
        MciInterpreter mci = outlived.interpreter(wait);
        ASSERT_EQ(outlived.send(mci, "open \"/m/a.mid\" alias MIDI"), 0);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(outlived.send(mci, "close MIDI notify"), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, wait * 3 / 2);
    }
    outlived.engine->release();
    EXPECT_EQ(outlived.journal(), QStringList({"open /m/a.mid", "close /m/a.mid"}));
}

} // namespace
} // namespace hanashi
