// SPDX-License-Identifier: MIT
#include "platform/FluidMidiEngine.h"
#include "platform/MciInterpreter.h"
#include "platform/MidiTune.h"
#include "platform/Workers.h"
#include "support/AlsaIntoAPipe.h"
#include "support/FakeMidiFiles.h"
#include "support/FluidCalls.h"
#include "support/OwnProcess.h"
#include "support/TestFiles.h"
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
#include <thread>
#include <vector>

namespace hanashi {
namespace {

constexpr int rate = FluidMidiDevice::sampleRate;
constexpr int tickFrames = rate / 100; // one 10 ms watchdog tick
constexpr double tuneSeconds = 60.0;
const QString timGM6mb = QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2");

std::shared_ptr<const MidiTune> tuneOf(const QByteArray& bytes) {
    return MidiTune::read(bytes).tune;
}

// The samples of the piece: where the device holds at its end.
std::int64_t samplesOf(const MidiTune& tune) {
    return (tune.lengthMicroseconds() * rate + 500000) / 1000000;
}

struct Level {
    double peak = 0;
    double rms = 0;
};

// Renders up to seconds, in watchdog ticks; stops early where the device
// holds at the end of the piece.
Level render(FluidMidiDevice& device, double seconds, std::int64_t* rendered = nullptr) {
    std::vector<float> left(tickFrames);
    std::vector<float> right(tickFrames);
    double sum = 0;
    std::int64_t frames = 0;
    Level level;
    const auto wanted = static_cast<std::int64_t>(std::llround(seconds * rate));
    while (frames < wanted) {
        const int asked = static_cast<int>(std::min<std::int64_t>(tickFrames, wanted - frames));
        const int got = device.render(left.data(), right.data(), asked);
        for (int i = 0; i < got; ++i) {
            level.peak =
                std::max({level.peak, double(std::fabs(left[i])), double(std::fabs(right[i]))});
            sum += double(left[i]) * left[i] + double(right[i]) * right[i];
        }
        frames += got;
        if (got < asked)
            break;
    }
    level.rms = frames ? std::sqrt(sum / (2.0 * double(frames))) : 0.0;
    if (rendered)
        *rendered = frames;
    return level;
}

// Renders until the device holds at the end, within two plays of the
// bundled tune; how many samples that took.
std::int64_t renderToTheEnd(FluidMidiDevice& device) {
    std::int64_t rendered = 0;
    render(device, 2 * tuneSeconds, &rendered);
    return rendered;
}

FluidMidiEngine::Options offline() {
    FluidMidiEngine::Options options;
    options.output = FluidMidiEngine::Output::Offline;
    return options;
}

FluidMidiDevice::Setup offlineSetup(const QStringList& soundFonts = {timGM6mb}) {
    FluidMidiDevice::Setup setup;
    setup.soundFonts = soundFonts;
    return setup;
}

TEST(FluidMidiEngine, RefusesFilesItCannotPlay) {
    QTemporaryDir dir;
    const QByteArray tune = FakeMidiFiles::bundledTune();
    // Larger than any tune is read: never read at all.
    const QString huge = TestFiles::write(dir.path(), QStringLiteral("huge.mid"), tune);
    QFile(huge).resize(MidiTune::MaxFileBytes + 1);
    const QString paths[] = {
        dir.filePath(QStringLiteral("missing.mid")),
        dir.path(),
        TestFiles::write(dir.path(), QStringLiteral("empty.mid"), QByteArray()),
        TestFiles::write(dir.path(), QStringLiteral("text.mid"), "hello"),
        // FluidSynth's own player takes this one and then fails while
        // playing it.
        TestFiles::write(dir.path(), QStringLiteral("truncated.mid"),
                         tune.left(tune.size() * 2 / 3)),
        huge,
    };
    FluidMidiEngine engine(offline());
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(engine.open(path), nullptr);
    }
}

// The SoundFont in use is the one the device holds open as long as it lives.
TEST(FluidMidiEngine, TakesTheSoundFontBesideTheTuneFirstAndFallsBackInOrder) {
    QTemporaryDir dir;
    const QString tune =
        TestFiles::write(dir.path(), QStringLiteral("bgm.mid"), FakeMidiFiles::bundledTune());
    FluidMidiEngine engine(offline());

    auto device = openFluid(engine, tune);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(OwnProcess::holdsOpen(timGM6mb));
    device.reset();
    EXPECT_FALSE(OwnProcess::holdsOpen(timGM6mb));

    // A broken SoundFont sorts first and is passed over for the good one.
    const QString broken =
        TestFiles::write(dir.path(), QStringLiteral("a-broken.sf2"), "not a soundfont");
    const QString own = dir.filePath(QStringLiteral("b-own.SF2"));
    ASSERT_TRUE(QFile::copy(timGM6mb, own));
    EXPECT_EQ(engine.soundFontsFor(tune).mid(0, 3), QStringList({broken, own, timGM6mb}));
    device = openFluid(engine, tune);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(OwnProcess::holdsOpen(own));
    EXPECT_FALSE(OwnProcess::holdsOpen(broken));
    EXPECT_FALSE(OwnProcess::holdsOpen(timGM6mb));
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
    ASSERT_TRUE(QFile::copy(timGM6mb, copy));

    const auto device = FluidMidiDevice::create(tuneOf(FakeMidiFiles::bundledTune()),
                                                offlineSetup({pipe, zero, copy}));
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(OwnProcess::holdsOpen(copy));
    EXPECT_FALSE(OwnProcess::holdsOpen(pipe));
    device->play();
    EXPECT_GT(render(*device, 3.0).rms, 0.01);
}

// Every instrument the tune selects is read before the first note. A
// SoundFont whose samples cannot all be read is passed over; one cut short
// while the tune plays is never read again, so the tune plays on with all
// its instruments (FluidSynth read samples on the rendering thread when a
// program was first chosen, and crashed there on a file cut short).
TEST(FluidMidiDevice, InstrumentsAreReadBeforeTheFirstNoteAndNeverAgain) {
    QTemporaryDir dir;
    QByteArray events;
    for (int program = 0; program < 40; ++program) {
        events += QByteArray::fromHex("00c0") + char(program * 3);
        events += QByteArray::fromHex("00903c64 8170803c00"); // a quarter second each
    }
    const auto tune = tuneOf(FakeMidiFiles::header(0, 1) +
                             FakeMidiFiles::track(events + QByteArray::fromHex("00ff2f00")));
    ASSERT_NE(tune, nullptr);
    QFile original(timGM6mb);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray whole = original.readAll();

    // Cut before: its samples are missing, so the next one plays.
    const QString cutBefore = TestFiles::write(dir.path(), QStringLiteral("cut-before.sf2"),
                                               whole.left(whole.size() * 3 / 4));
    auto device = FluidMidiDevice::create(tune, offlineSetup({cutBefore, timGM6mb}));
    ASSERT_NE(device, nullptr);
    EXPECT_FALSE(OwnProcess::holdsOpen(cutBefore));
    EXPECT_TRUE(OwnProcess::holdsOpen(timGM6mb));
    device.reset();

    // Cut while playing: the copy in use is cut to its header.
    const QString cutAfter = TestFiles::write(dir.path(), QStringLiteral("cut-after.sf2"), whole);
    device = FluidMidiDevice::create(tune, offlineSetup({cutAfter}));
    ASSERT_NE(device, nullptr);
    device->play();
    ASSERT_GT(render(*device, 0.5).rms, 0.01);
    ASSERT_TRUE(QFile(cutAfter).resize(12));
    // The note of every one of the forty instruments still sounds.
    for (int note = 2; note < 40; ++note)
        EXPECT_GT(render(*device, 0.25).rms, 0.005) << "instrument " << note;
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
// stopped at the very sample where the piece ends, and a rewind plays it
// again from its first sample.
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
    const std::int64_t length = samplesOf(*tuneOf(FakeMidiFiles::bundledTune()));
    EXPECT_EQ(mode(), "stopped");
    ASSERT_EQ(send("play MIDI notify"), 0);

    // The time the device promises to keep playing, at each tick; the
    // watchdog sleeps through it.
    std::vector<std::chrono::milliseconds> quiet;
    std::int64_t rendered = 0;
    while (mode() == "playing" && rendered < 2 * length) {
        quiet.push_back(device.quietFor());
        std::int64_t block = 0;
        render(device, 0.01, &block);
        rendered += block;
    }
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(rendered, length);
    EXPECT_NEAR(double(rendered) / rate, tuneSeconds, 0.001);
    const int ticks = static_cast<int>(quiet.size());
    for (int i = 0; i < ticks; ++i)
        ASSERT_LE(quiet[i].count(), (ticks - i) * 10) << "at tick " << i;
    EXPECT_GT(quiet.front().count(), (tuneSeconds - 2) * 1000); // most of the piece
    EXPECT_EQ(device.quietFor().count(), 0);
    EXPECT_EQ(renderToTheEnd(device), 0); // held at the end

    ASSERT_EQ(send("seek MIDI to start"), 0);
    ASSERT_EQ(send("play MIDI from 0"), 0);
    EXPECT_EQ(device.quietFor().count(), 0); // not yet started over
    EXPECT_EQ(mode(), "playing");
    EXPECT_GT(render(device, 2.0).rms, 0.01);
    EXPECT_EQ(mode(), "playing");
    // From the first sample again: two seconds in, the rest of the piece is
    // left.
    EXPECT_EQ(renderToTheEnd(device), length - 2 * rate);
}

// The game's own start-up on the real synthesiser, loading on a worker: the
// play sent during the load reaches the device, which sounds from the start.
TEST(FluidMidiDevice, APlaySentWhileTheSoundFontLoadsStartsThePiece) {
    Workers workers;
    auto owned = std::make_unique<WatchedFluidEngine>(offline());
    WatchedFluidEngine& engine = *owned;
    // The load is waited for as long as it takes: under the sanitizers it
    // takes longer than the game would wait.
    MciInterpreter mci(std::move(owned), {workers, nullptr, std::chrono::seconds(60)});
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
    EXPECT_EQ(renderToTheEnd(*device), samplesOf(*tuneOf(FakeMidiFiles::bundledTune())) - 2 * rate);
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
    ASSERT_TRUE(device->stop());
    EXPECT_EQ(device->mode(), MidiDevice::Mode::Stopped);
    render(*device, 1.0);
    EXPECT_LT(render(*device, 1.0).peak, 1e-3); // -60 dBFS
    device->play();
    EXPECT_EQ(renderToTheEnd(*device),
              samplesOf(*tuneOf(FakeMidiFiles::bundledTune())) - std::llround(5.1 * rate));
}

// Programs, controllers and the tempo as at the first play: the second pass
// sounds like the first, window for window on both sides, and its second
// note comes at the default tempo again. (Not sample for sample: the
// reverberation's modulation runs on through a reset, and so does the
// chorus's, which is why the new program is a guitar, not strings.)
TEST(FluidMidiDevice, ARestartPlaysThePieceAsTheFirstTime) {
    const auto tune = tuneOf(FakeMidiFiles::header(0, 1) +
                             FakeMidiFiles::track(QByteArray::fromHex(
                                 // a beat at the default tempo; then a new
                                 // program, volume, pan, bend and tempo, and a
                                 // beat under them all
                                 "00903c64 83603c00 00c018 00b00740 00b00a00 00e07f7f "
                                 "00ff51030be6e0 00903e64 83603e00 00ff2f00")));
    ASSERT_NE(tune, nullptr);
    auto device = FluidMidiDevice::create(tune, offlineSetup());
    ASSERT_NE(device, nullptr);
    // The loudness of each 20 ms, left and right.
    const auto pass = [&device] {
        std::vector<double> loudness;
        std::vector<float> left(rate / 50);
        std::vector<float> right(rate / 50);
        while (device->render(left.data(), right.data(), rate / 50) == rate / 50) {
            for (const std::vector<float>* side : {&left, &right}) {
                double sum = 0;
                for (float sample : *side)
                    sum += double(sample) * sample;
                loudness.push_back(std::sqrt(sum / side->size()));
            }
        }
        return loudness;
    };
    device->play();
    const std::vector<double> first = pass();
    device->seekToStart();
    device->play();
    const std::vector<double> second = pass();
    ASSERT_EQ(second.size(), first.size());
    for (std::size_t i = 0; i < first.size(); ++i)
        EXPECT_NEAR(second[i], first[i], 0.15 * std::max(first[i], second[i]) + 0.003)
            << (i % 2 ? "right" : "left") << " at " << (i / 2) * 20 << " ms";
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

// Offline but for ALSA's output into the pipe, whose slow release finishes
// on workers if given.
FluidMidiDevice::Setup intoThePipe(const AlsaIntoAPipe& pipe, Workers* workers = nullptr) {
    FluidMidiDevice::Setup setup = offlineSetup();
    setup.outputs.names = {"alsa"};
    setup.outputs.driverSettings = pipe.driverSettings();
    setup.workers = workers;
    return setup;
}

// Each output lets go of its thread before the synthesiser it renders is
// deleted, as FluidSynth asks ("the audio driver should always be the last
// one to be created and the first one to be deleted"), and the device lets
// go of every thread and descriptor it took.
TEST(FluidMidiDevice, ADeviceTearsDownInOrder) {
    for (const bool withDriver : {false, true}) {
        SCOPED_TRACE(withDriver ? "ALSA driver" : "offline");
        AlsaIntoAPipe pipe;
        ASSERT_GE(pipe.reader, 0);
        const OwnProcess::Census before = OwnProcess::census();
        auto device = FluidMidiDevice::create(tuneOf(FakeMidiFiles::heldNote(960)),
                                              withDriver ? intoThePipe(pipe) : offlineSetup());
        ASSERT_NE(device, nullptr);
        // With an output the output renders it; offline the caller does.
        float left = 0, right = 0;
        ASSERT_EQ(device->render(&left, &right, 1), withDriver ? 0 : 1);
        device->play();
        if (withDriver)
            EXPECT_TRUE(OwnProcess::waitUntil([&] { return pipe.drain() > 0; }));
        else
            render(*device, 0.5);
        FluidCalls::clear();
        std::thread drainer([&] {
            while (!FluidCalls::journal().contains(QStringLiteral("delete_fluid_synth")))
                pipe.drain();
        });
        device.reset();
        drainer.join();
        QStringList expected = {"fluid_synth_all_sounds_off", "delete_fluid_audio_driver",
                                "delete_fluid_settings", "delete_fluid_synth",
                                "delete_fluid_settings"};
        if (!withDriver)
            expected = {"fluid_synth_all_sounds_off", "delete_fluid_synth",
                        "delete_fluid_settings"};
        EXPECT_TRUE(OwnProcess::holdsNoMoreThan(before));
        EXPECT_EQ(FluidCalls::journal(), expected)
            << FluidCalls::journal().join(QStringLiteral(", ")).toStdString();
    }
}

// The audio thread can be held up in its output for as long as the sound
// system pleases: a stalled server, or a null sink with half a second of
// latency, kept "End" from ending. Here the driver writes into a pipe that
// nobody empties, so its thread is stuck for good until the test reads.
TEST(FluidMidiDevice, ClosingDoesNotWaitForAStuckAudioThread) {
    AlsaIntoAPipe pipe;
    ASSERT_GE(pipe.reader, 0);
    ASSERT_GT(fcntl(pipe.reader, F_SETPIPE_SZ, 4096), 0);
    Workers workers;
    const OwnProcess::Census before = OwnProcess::census();
    auto device =
        FluidMidiDevice::create(tuneOf(FakeMidiFiles::bundledTune()), intoThePipe(pipe, &workers));
    ASSERT_NE(device, nullptr);
    float left = 0, right = 0;
    ASSERT_EQ(device->render(&left, &right, 1), 0); // an output renders it, not the caller
    device->play();

    // The driver's thread fills the pipe at once, then waits in the kernel
    // for room that never comes.
    ASSERT_TRUE(OwnProcess::waitUntil(threadWaitsToWriteIntoAPipe, std::chrono::seconds(10)))
        << "the audio thread never got stuck";

    // Closed on a thread of the test's own, so that a close that waits shows
    // as a failure instead of a hung test.
    FluidCalls::clear();
    auto closing = std::async(std::launch::async, [&device] { device.reset(); });
    const bool closedWhileStuck =
        closing.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    EXPECT_EQ(FluidCalls::journal(), QStringList({"fluid_synth_all_sounds_off"}))
        << "the driver cannot be gone while its thread is stuck; yet "
        << FluidCalls::journal().join(QStringLiteral(", ")).toStdString();

    // Released: the pipe is emptied until the rest is gone, in order, on a
    // worker that the owner joins.
    const QStringList all = {"fluid_synth_all_sounds_off", "delete_fluid_audio_driver",
                             "delete_fluid_settings", "delete_fluid_synth",
                             "delete_fluid_settings"};
    EXPECT_TRUE(OwnProcess::waitUntil([&] {
        pipe.drain();
        return FluidCalls::journal() == all;
    })) << FluidCalls::journal().join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(workers.joinAll(std::chrono::seconds(10)));
    EXPECT_TRUE(OwnProcess::holdsNoMoreThan(before));
    closing.wait();
    EXPECT_TRUE(closedWhileStuck) << "closing waited for the stuck audio thread";
}

} // namespace
} // namespace hanashi
