// SPDX-License-Identifier: MIT
#include "platform/FluidMidiEngine.h"
#include "platform/MciInterpreter.h"
#include "platform/MidiFileInfo.h"
#include "support/FakeMidiFiles.h"
#include "support/FluidCalls.h"
#include "support/OwnProcess.h"
#include "support/WatchedFluidEngine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hanashi {
namespace {

constexpr int tickFrames = FluidMidiDevice::sampleRate / 100; // one 10 ms watchdog tick
constexpr int tuneTicks = 18 * 4 * 480;                       // 18 bars of 4/4
constexpr double tuneSeconds = 60.0;

QByteArray bundledTune() {
    QFile file(FakeMidiFiles::bundledTunePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Level {
    double peak = 0;
    double rms = 0;
};

Level render(FluidMidiDevice& device, double seconds) {
    std::vector<float> left(tickFrames);
    std::vector<float> right(tickFrames);
    double sum = 0;
    Level level;
    const int blocks = static_cast<int>(std::lround(seconds * 100));
    for (int b = 0; b < blocks; ++b) {
        EXPECT_TRUE(device.render(left.data(), right.data(), tickFrames));
        for (int i = 0; i < tickFrames; ++i) {
            level.peak =
                std::max({level.peak, double(std::fabs(left[i])), double(std::fabs(right[i]))});
            sum += double(left[i]) * left[i] + double(right[i]) * right[i];
        }
    }
    level.rms = blocks ? std::sqrt(sum / (2.0 * blocks * tickFrames)) : 0.0;
    return level;
}

FluidMidiEngine::Options offline() {
    FluidMidiEngine::Options options;
    options.output = FluidMidiEngine::Output::Offline;
    return options;
}

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

TEST(MidiFileInfo, AcceptsOnlyCompleteFiles) {
    const QByteArray tune = bundledTune();
    ASSERT_FALSE(tune.isEmpty());
    const QByteArray note = FakeMidiFiles::heldNote(960);
    const QByteArray endOnly = FakeMidiFiles::track(QByteArray::fromHex("00ff2f00"));
    const struct {
        const char* what;
        QByteArray bytes;
        int lengthTicks; // -1: refused
    } cases[] = {
        {"the bundled tune", tune, tuneTicks},
        {"one held note", note, 960},
        {"running status",
         FakeMidiFiles::header(0, 1) +
             FakeMidiFiles::track(QByteArray::fromHex("00903c64 8360 3c00 00ff2f00")),
         480},
        {"an unknown chunk before the track",
         FakeMidiFiles::header(0, 1) + "XFIR" + QByteArray::fromHex("00000002abcd") + endOnly, 0},
        {"empty", QByteArray(), -1},
        {"text", QByteArray("not a tune at all"), -1},
        {"header only", FakeMidiFiles::header(1, 1), -1},
        {"cut inside the header", tune.left(10), -1},
        {"cut inside a track", tune.left(tune.size() / 2), -1},
        {"one byte short", tune.left(tune.size() - 1), -1},
        {"fewer tracks than announced", FakeMidiFiles::header(1, 2) + endOnly, -1},
        {"format 0 with two tracks", FakeMidiFiles::header(0, 2) + endOnly + endOnly, -1},
        {"format 2", FakeMidiFiles::header(2, 1) + endOnly, -1},
        {"SMPTE time", FakeMidiFiles::header(0, 1, 0xE728) + endOnly, -1},
        {"no tracks", FakeMidiFiles::header(1, 0), -1},
        {"data before any status",
         FakeMidiFiles::header(0, 1) + FakeMidiFiles::track(QByteArray::fromHex("003c64 00ff2f00")),
         -1},
        {"a status byte as data",
         FakeMidiFiles::header(0, 1) +
             FakeMidiFiles::track(QByteArray::fromHex("00903c90 00ff2f00")),
         -1},
        {"a five-byte delta",
         FakeMidiFiles::header(0, 1) +
             FakeMidiFiles::track(QByteArray::fromHex("8080808000 ff2f00")),
         -1},
        {"a meta event running past its track",
         FakeMidiFiles::header(0, 1) + FakeMidiFiles::track(QByteArray::fromHex("00ff0310ab")), -1},
        {"a system message",
         FakeMidiFiles::header(0, 1) + FakeMidiFiles::track(QByteArray::fromHex("00f8 00ff2f00")),
         -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto info = MidiFileInfo::parse(c.bytes);
        EXPECT_EQ(info ? info->lengthTicks : -1, c.lengthTicks);
    }
    // The fastest tempo anywhere, the default before the first tempo event
    // included: what bounds how soon the piece can end.
    const auto fastest = [](const char* events) {
        const auto info = MidiFileInfo::parse(FakeMidiFiles::header(0, 1) +
                                              FakeMidiFiles::track(QByteArray::fromHex(events)));
        return info ? info->fastestTempo : -1;
    };
    EXPECT_EQ(fastest("00ff51030927c0 8360ff510303d090 00ff2f00"), 250000);
    EXPECT_EQ(fastest("8360ff51030927c0 00ff2f00"), MidiFileInfo::DefaultTempo);
    EXPECT_EQ(fastest("00ff2f00"), MidiFileInfo::DefaultTempo);
    EXPECT_EQ(fastest("00ff51030927c0 00ff2f00"), 600000);
}

TEST(FluidMidiEngine, RefusesFilesItCannotPlay) {
    QTemporaryDir dir;
    const QByteArray tune = bundledTune();
    const QString paths[] = {
        dir.filePath(QStringLiteral("missing.mid")),
        dir.path(),
        write(dir, QStringLiteral("empty.mid"), QByteArray()),
        write(dir, QStringLiteral("text.mid"), "hello"),
        // FluidSynth itself takes this one and then fails while playing it.
        write(dir, QStringLiteral("truncated.mid"), tune.left(tune.size() * 2 / 3)),
    };
    FluidMidiEngine engine(offline());
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(engine.open(path), nullptr);
    }

    FluidMidiEngine::Options small = offline();
    small.maxFileSize = 100;
    EXPECT_EQ(FluidMidiEngine(small).open(FakeMidiFiles::bundledTunePath()), nullptr);
}

// The SoundFont in use is the one the device holds open as long as it lives.
TEST(FluidMidiEngine, TakesTheSoundFontBesideTheTuneFirstAndFallsBackInOrder) {
    const QString fallback = QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2");
    QTemporaryDir dir;
    const QString tune = write(dir, QStringLiteral("bgm.mid"), bundledTune());
    FluidMidiEngine engine(offline());

    auto device = openFluid(engine, tune);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(OwnProcess::holdsOpen(fallback));
    device.reset();
    EXPECT_FALSE(OwnProcess::holdsOpen(fallback));

    // A broken SoundFont sorts first and is passed over for the good one.
    const QString broken = write(dir, QStringLiteral("a-broken.sf2"), "not a soundfont");
    const QString own = dir.filePath(QStringLiteral("b-own.SF2"));
    ASSERT_TRUE(QFile::copy(fallback, own));
    EXPECT_EQ(engine.soundFontsFor(tune).mid(0, 3), QStringList({broken, own, fallback}));
    device = openFluid(engine, tune);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(OwnProcess::holdsOpen(own));
    EXPECT_FALSE(OwnProcess::holdsOpen(broken));
    EXPECT_FALSE(OwnProcess::holdsOpen(fallback));
}

TEST(FluidMidiEngine, WithoutSoundFontOrAudioOutputTheOpenFails) {
    FluidMidiEngine::Options noSoundFont = offline();
    noSoundFont.fallbackSoundFonts = {QStringLiteral("/nonexistent/none.sf2")};
    EXPECT_EQ(FluidMidiEngine(noSoundFont).open(FakeMidiFiles::bundledTunePath()), nullptr);

    FluidMidiEngine::Options noDriver;
    noDriver.drivers = {"no-such-driver"};
    EXPECT_EQ(FluidMidiEngine(noDriver).open(FakeMidiFiles::bundledTunePath()), nullptr);
    noDriver.drivers.clear();
    EXPECT_EQ(FluidMidiEngine(noDriver).open(FakeMidiFiles::bundledTunePath()), nullptr);
}

// A SoundFont is taken only from a plain file: a named pipe that nobody
// writes to would hold the load up for good, and a device would feed it
// without end. Both are passed over at once for the next one in line, which
// FluidSynth then reads through the checked descriptor.
TEST(FluidMidiDevice, SoundFontsThatAreNoPlainFileArePassedOver) {
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("a-pipe.sf2"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString zero = dir.filePath(QStringLiteral("b-zero.sf2"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString copy = dir.filePath(QStringLiteral("c-copy.sf2"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"), copy));

    FluidMidiDevice::Setup setup;
    setup.soundFonts = {pipe, zero, copy};
    const auto device =
        FluidMidiDevice::create(bundledTune(), *MidiFileInfo::parse(bundledTune()), setup);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(OwnProcess::holdsOpen(copy));
    EXPECT_FALSE(OwnProcess::holdsOpen(pipe));
    device->play();
    EXPECT_GT(render(*device, 3.0).rms, 0.01);
}

TEST(FluidMidiDevice, TheBundledTuneIsAudibleWithoutClipping) {
    FluidMidiEngine engine(offline());
    auto device = openFluid(engine, FakeMidiFiles::bundledTunePath());
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->play());
    const Level level = render(*device, tuneSeconds);
    EXPECT_GT(level.rms, 0.02);
    EXPECT_GT(level.peak, 0.25);
    EXPECT_LT(level.peak, 0.7);
}

// Through the command strings, as the watchdog sees it: the mode turns to
// stopped within one tick of the piece's end, and a rewind plays it again.
TEST(FluidMidiDevice, ReportsStoppedAtTheEndAndPlaysAgainFromTheStart) {
    auto owned = std::make_unique<WatchedFluidEngine>(offline());
    WatchedFluidEngine& engine = *owned;
    MciInterpreter mci(std::move(owned));
    const auto send = [&mci](const char* command) {
        return mci.sendString(QString::fromUtf8(command), nullptr, 0);
    };
    const auto mode = [&mci] {
        QString reply;
        mci.sendString(QStringLiteral("status MIDI mode"), &reply, 15);
        return reply;
    };
    ASSERT_EQ(mci.sendString(QStringLiteral("open \"") + FakeMidiFiles::bundledTunePath() +
                                 QStringLiteral("\" alias MIDI"),
                             nullptr, 0),
              0);
    ASSERT_NE(engine.device(), nullptr);
    FluidMidiDevice& device = *engine.device();
    EXPECT_EQ(mode(), "stopped");
    ASSERT_EQ(send("play MIDI notify"), 0);

    // The time the device promises to keep playing, at each tick; the
    // watchdog sleeps through it.
    std::vector<std::chrono::milliseconds> quiet;
    int ticks = 0;
    while (mode() == "playing" && ticks < 7000) {
        quiet.push_back(device.quietFor());
        render(device, 0.01);
        ++ticks;
    }
    EXPECT_EQ(mode(), "stopped");
    EXPECT_NEAR(ticks * 0.01, tuneSeconds, 0.015);
    EXPECT_EQ(device.currentTick() / 10, tuneTicks / 10); // just past the end
    for (std::size_t i = 0; i < quiet.size(); ++i)
        ASSERT_LE(quiet[i].count(), (ticks - static_cast<int>(i)) * 10) << "at tick " << i;
    EXPECT_GT(quiet.front().count(), (tuneSeconds - 2) * 1000); // most of the piece
    EXPECT_EQ(device.quietFor().count(), 0);

    ASSERT_EQ(send("seek MIDI to start"), 0);
    ASSERT_EQ(send("play MIDI from 0"), 0);
    EXPECT_EQ(device.quietFor().count(), 0); // not yet seen back at the start
    EXPECT_EQ(mode(), "playing");
    const Level again = render(device, 2.0);
    EXPECT_GT(again.rms, 0.01);
    EXPECT_EQ(mode(), "playing");
    // Two seconds at 72 beats a minute, counted from the first tick.
    EXPECT_NEAR(device.currentTick(), 2 * 72 * 480 / 60, 12);
}

// The game's own start-up on the real synthesiser, loading on a worker: the
// play sent during the load reaches the device, which sounds from the start.
TEST(FluidMidiDevice, APlaySentWhileTheSoundFontLoadsStartsThePiece) {
    auto owned = std::make_unique<WatchedFluidEngine>(offline());
    WatchedFluidEngine& engine = *owned;
    // The load is waited for as long as it takes: under the sanitizers it
    // takes longer than the game would wait.
    MciInterpreter mci(std::move(owned), MciInterpreter::Opening::InBackground,
                       std::chrono::seconds(60));
    ASSERT_EQ(mci.sendString(QStringLiteral("open \"") + FakeMidiFiles::bundledTunePath() +
                                 QStringLiteral("\" alias MIDI"),
                             nullptr, 0),
              0);
    ASSERT_EQ(mci.sendString(QStringLiteral("play MIDI notify"), nullptr, 0), 0);
    QString reply;
    ASSERT_EQ(mci.sendString(QStringLiteral("status MIDI mode"), &reply, 15), 0);
    EXPECT_EQ(reply, "playing"); // loading or loaded, the answer is the same

    // Once the load is done, the next command takes the device over and
    // carries out the play.
    FluidMidiDevice* device = engine.waitForDevice(std::chrono::seconds(60));
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(OwnProcess::waitUntil([&] {
        mci.sendString(QStringLiteral("status MIDI mode"), &reply, 15);
        return device->mode() == MidiDevice::Mode::Playing;
    }));
    EXPECT_EQ(reply, "playing");
    EXPECT_GT(render(*device, 2.0).rms, 0.01);
    EXPECT_NEAR(device->currentTick(), 2 * 72 * 480 / 60, 12);
    EXPECT_EQ(mci.sendString(QStringLiteral("close MIDI"), nullptr, 0), 0);
    EXPECT_EQ(engine.liveDevices(), 0);
}

// What is still heard after a stop is the reverberation's tail, which dies
// away within a second; the notes themselves end with the stop.
TEST(FluidMidiDevice, StopSilencesTheMusicAndKeepsThePosition) {
    FluidMidiEngine engine(offline());
    auto device = openFluid(engine, FakeMidiFiles::bundledTunePath());
    ASSERT_NE(device, nullptr);
    device->play();
    render(*device, 5.0);
    ASSERT_GT(render(*device, 0.1).rms, 0.01);
    const int tick = device->currentTick();
    ASSERT_TRUE(device->stop());
    EXPECT_EQ(device->mode(), MidiDevice::Mode::Stopped);
    render(*device, 1.0);
    EXPECT_LT(render(*device, 1.0).peak, 1e-3); // -60 dBFS
    EXPECT_NEAR(device->currentTick(), tick, 10);
}

// A file cut short gets past a header check and makes FluidSynth's player fail
// over and over. Built here without the engine's check, it must still shut
// down in order, also with a driver thread running (the file driver needs no
// sound card), and let go of every thread and descriptor it took; the
// restarts must not make it spin.
TEST(FluidMidiDevice, ATruncatedFileTearsDownInOrder) {
    const QByteArray tune = bundledTune();
    const QByteArray truncated = tune.left(tune.size() / 2);
    QTemporaryDir dir;
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(dir.path()); // the file driver writes beside us

    for (const std::vector<std::string>& drivers :
         {std::vector<std::string>{}, std::vector<std::string>{"file"}}) {
        SCOPED_TRACE(drivers.empty() ? "offline" : "file driver");
        const OwnProcess::Census before = OwnProcess::census();
        FluidMidiDevice::Setup setup;
        setup.soundFonts = {QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
        setup.drivers = drivers;
        auto device =
            FluidMidiDevice::create(truncated, *MidiFileInfo::parse(bundledTune()), setup);
        ASSERT_NE(device, nullptr);
        ASSERT_EQ(device->hasAudioDriver(), !drivers.empty());
        device->play();
        int restarts = 0;
        for (int tick = 0; tick < 50; ++tick) {
            if (!device->hasAudioDriver())
                render(*device, 0.01);
            if (device->mode() == MidiDevice::Mode::Stopped) {
                device->seekToStart();
                device->play();
                ++restarts;
            }
        }
        EXPECT_LE(restarts, 1);
        FluidCalls::clear();
        device.reset();
        // The driver is the first to go, as FluidSynth asks.
        QStringList expected = {"fluid_player_stop", "delete_fluid_audio_driver",
                                "delete_fluid_player", "delete_fluid_synth",
                                "delete_fluid_settings"};
        if (drivers.empty())
            expected.removeOne(QStringLiteral("delete_fluid_audio_driver"));
        EXPECT_TRUE(OwnProcess::holdsNoMoreThan(before));
        EXPECT_EQ(FluidCalls::journal(), expected)
            << FluidCalls::journal().join(QStringLiteral(", ")).toStdString();
    }
    QDir::setCurrent(oldCurrent);
}

// Whether a thread of this process sleeps in the kernel's pipe writer.
bool threadWaitsToWriteIntoAPipe() {
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile wchan(tasks.filePath(task + QStringLiteral("/wchan")));
        if (wchan.open(QIODevice::ReadOnly) && wchan.readAll().contains("pipe_write"))
            return true;
    }
    return false;
}

// The audio thread can be held up in its output for as long as the sound
// server pleases: a stalled server, or a null sink with half a second of
// latency, kept "End" from ending. Here the file driver writes into a pipe
// that nobody empties, so its thread is stuck for good until the test reads.
TEST(FluidMidiDevice, ClosingDoesNotWaitForAStuckAudioThread) {
    QTemporaryDir dir;
    // Raw samples: a WAV writer will not take a pipe.
    const std::string pipe = dir.filePath(QStringLiteral("out.raw")).toStdString();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_GT(fcntl(reader, F_SETPIPE_SZ, 4096), 0);

    const OwnProcess::Census before = OwnProcess::census();
    FluidMidiDevice::Setup setup;
    setup.soundFonts = {QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
    setup.drivers = {"file"};
    setup.driverSettings = {{"audio.file.name", pipe}};
    auto device =
        FluidMidiDevice::create(bundledTune(), *MidiFileInfo::parse(bundledTune()), setup);
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->hasAudioDriver());
    device->play();

    // The driver's thread fills the pipe within a few of its periods, then
    // waits in the kernel for room that never comes.
    ASSERT_TRUE(OwnProcess::waitUntil(threadWaitsToWriteIntoAPipe, std::chrono::seconds(10)))
        << "the audio thread never got stuck";

    // Closed on a thread of the test's own, so that a close that waits shows
    // as a failure instead of a hung test.
    FluidCalls::clear();
    auto closing = std::async(std::launch::async, [&device] { device.reset(); });
    const bool closedWhileStuck =
        closing.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    EXPECT_EQ(FluidCalls::journal(), QStringList({"fluid_player_stop"}))
        << "the driver cannot be gone while its thread is stuck; yet "
        << FluidCalls::journal().join(QStringLiteral(", ")).toStdString();

    // Released: the pipe is emptied until the rest is gone, in order.
    const QStringList all = {"fluid_player_stop", "delete_fluid_audio_driver",
                             "delete_fluid_player", "delete_fluid_synth", "delete_fluid_settings"};
    char sink[4096];
    EXPECT_TRUE(OwnProcess::waitUntil([&] {
        while (read(reader, sink, sizeof sink) > 0) {
        }
        return FluidCalls::journal() == all;
    })) << FluidCalls::journal().join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(OwnProcess::holdsNoMoreThan(before));
    closing.wait();
    EXPECT_TRUE(closedWhileStuck) << "closing waited for the stuck audio thread";
    close(reader);
}

} // namespace
} // namespace hanashi
