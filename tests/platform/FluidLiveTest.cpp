// SPDX-License-Identifier: MIT
#include "platform/FluidMidiEngine.h"
#include "platform/MciInterpreter.h"
#include "platform/MidiTune.h"
#include "platform/PulseOutput.h"
#include "platform/Workers.h"
#include "support/AlsaIntoAPipe.h"
#include "support/FakeMidiFiles.h"
#include "support/FluidCalls.h"
#include "support/NullSinkServer.h"
#include "support/OwnProcess.h"
#include "support/WatchedFluidEngine.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace hanashi {
namespace {

FluidMidiEngine::Options pulseOnly() {
    FluidMidiEngine::Options options;
    options.drivers = {"pulseaudio"};
    return options;
}

FluidMidiDevice::Setup setupFor(const std::vector<std::string>& outputs) {
    FluidMidiDevice::Setup setup;
    setup.soundFonts = {QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
    setup.outputs.names = outputs;
    return setup;
}

std::shared_ptr<const MidiTune> heldNote(int ticks) {
    return MidiTune::read(FakeMidiFiles::heldNote(ticks)).tune;
}

// The stream is in the server's own format, so nothing is converted, and the
// rendering it asks for is what moves the player: a short piece plays to its
// end and the device then says it has stopped.
TEST(FluidLive, TheMusicStreamIsInTheServersFormatAndPlaysThePieceToItsEnd) {
    NullSinkServer server;
    ASSERT_TRUE(server.ready()) << "pulseaudio did not start";
    // One second at the file's default tempo.
    auto device = FluidMidiDevice::create(heldNote(960), setupFor({"pulseaudio"}));
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->play());
    QString listing;
    EXPECT_TRUE(OwnProcess::waitUntil([&] {
        listing = server.sinkInputs().value_or(QString());
        return listing.contains(QStringLiteral("media.name = \"Music\""));
    }));
    EXPECT_TRUE(listing.contains(QStringLiteral(": s16le 2ch 44100Hz"))) << listing.toStdString();
    // The stream's large buffer leaves the sink at a latency that does not
    // wake the server every few milliseconds.
    EXPECT_GE(server.sinkLatencyMs(), 50);

    EXPECT_TRUE(OwnProcess::waitUntil([&] { return device->mode() == MidiDevice::Mode::Stopped; }))
        << "still playing";
    EXPECT_EQ(server.streams(), 1) << "the stream failed on the way";
}

// With no server the PulseAudio output gives up at once and the next output
// in line plays (FluidSynth's ALSA driver, here into a pipe through ALSA's
// file plugin); a server that takes the connection and never answers holds
// the load up no longer than the output's wait.
TEST(FluidLive, WithoutAnAnsweringServerTheNextOutputPlays) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no-such-socket"));
    qputenv("PULSE_SERVER", ("unix:" + missing).toLocal8Bit());
    AlsaIntoAPipe pipe;
    ASSERT_GE(pipe.reader, 0);
    // No server to wait for: the output gives up at once.
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PulseOutput::connect(), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, PulseOutput::connectWait / 2);
    FluidMidiDevice::Setup setup = setupFor({"pulseaudio", "alsa"});
    setup.outputs.driverSettings = pipe.driverSettings();
    auto device = FluidMidiDevice::create(heldNote(960), setup);
    ASSERT_NE(device, nullptr);
    float left = 0, right = 0;
    EXPECT_EQ(device->render(&left, &right, 1), 0); // an output renders it, not the caller
    std::int64_t played = 0;
    EXPECT_TRUE(OwnProcess::waitUntil([&] {
        played += pipe.drain();
        return played > 4096;
    })) << "the ALSA driver does not play";
    // Until the driver closes the pipe, which it does as it goes.
    std::thread drainer([&] {
        char sink[65536];
        while (read(pipe.reader, sink, sizeof sink) != 0) {
        }
    });
    device.reset();
    drainer.join();

    // Listens, but nobody ever accepts: the connection hangs in the backlog.
    const QString silent = dir.filePath(QStringLiteral("silent"));
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(silent);
    ASSERT_LT(static_cast<size_t>(path.size()), sizeof address.sun_path);
    std::copy(path.begin(), path.end(), address.sun_path);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    qputenv("PULSE_SERVER", ("unix:" + silent).toLocal8Bit());
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(FluidMidiDevice::create(heldNote(960), setupFor({"pulseaudio"})), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, PulseOutput::connectWait * 3);
    close(listener);
    qunsetenv("PULSE_SERVER");
}

// The server dies in the middle of the piece: the output sees it fail and lets
// go of the connection, and the device still closes, promptly and in order,
// and lets go of every thread and descriptor it took.
TEST(FluidLive, ADeviceWhoseServerDiedStillCloses) {
    NullSinkServer server;
    ASSERT_TRUE(server.ready()) << "pulseaudio did not start";
    const OwnProcess::Census before = OwnProcess::census();
    auto device = FluidMidiDevice::create(heldNote(96000), setupFor({"pulseaudio"}));
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->play());
    ASSERT_TRUE(OwnProcess::waitUntil([&] { return server.streams() == 1; }));
    // The output's connection to the server is the process's only socket.
    const auto sockets = [] {
        return OwnProcess::openFiles().filter(QStringLiteral("socket:")).size();
    };
    ASSERT_EQ(sockets(), 1);
    server.kill();
    EXPECT_TRUE(OwnProcess::waitUntil([&] { return sockets() == 0; }))
        << "the output held on to the dead connection";
    EXPECT_GE(device->quietFor().count(), 1000) << "nothing renders: no need to ask often";

    FluidCalls::clear();
    auto closing = std::async(std::launch::async, [&device] { device.reset(); });
    ASSERT_EQ(closing.wait_for(std::chrono::seconds(10)), std::future_status::ready)
        << "closing hung after the server died";
    const QStringList all = {"fluid_synth_all_sounds_off", "pa_threaded_mainloop_stop",
                             "delete_fluid_synth", "delete_fluid_settings"};
    EXPECT_TRUE(OwnProcess::waitUntil([&] { return FluidCalls::journal() == all; }))
        << FluidCalls::journal().join(", ").toStdString();
    EXPECT_TRUE(OwnProcess::holdsNoMoreThan(before));
}

// A sound server restarted, or the device under its only sink unplugged and
// another plugged in: the output finds them again and the music goes on from
// where it stood, without the device's user noticing anything.
TEST(FluidLive, TheMusicComesBackWhenTheSinkOrTheServerDoes) {
    NullSinkServer server;
    ASSERT_TRUE(server.ready()) << "pulseaudio did not start";
    auto device = FluidMidiDevice::create(heldNote(96000), setupFor({"pulseaudio"}));
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->play());
    ASSERT_TRUE(OwnProcess::waitUntil([&] { return server.streams() == 1; }));
    // The loudest of what the sink plays in a second and a half.
    const auto heard = [&server] {
        if (!server.startRecording())
            return 0.0F;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        float peak = 0;
        for (float sample : server.recorded())
            peak = std::max(peak, std::fabs(sample));
        return peak;
    };
    ASSERT_GT(heard(), 0.05F);

    ASSERT_TRUE(server.unloadSink());
    EXPECT_TRUE(OwnProcess::waitUntil([&] { return server.streams() == 0; }));
    ASSERT_TRUE(server.loadSink(QStringLiteral("othersink")));
    EXPECT_TRUE(OwnProcess::waitUntil([&] { return server.streams() == 1; }))
        << "no stream on the new sink";
    EXPECT_GT(heard(), 0.05F) << "silent on the new sink";

    ASSERT_TRUE(server.restart(QStringLiteral("thirdsink")));
    EXPECT_TRUE(OwnProcess::waitUntil([&] { return server.streams() == 1; }))
        << "no stream on the restarted server";
    EXPECT_GT(heard(), 0.05F) << "silent on the restarted server";
    EXPECT_EQ(device->mode(), MidiDevice::Mode::Playing);
}

// Starts and ends against an output that is rendering: the device is made,
// played and deleted, some while the audio thread has just started, some
// after it has played for a while. Each time the output lets go of its
// thread before the synthesiser it renders from is deleted (FluidSynth is
// not built with the sanitizers, so the order is checked itself).
TEST(FluidLive, StartsAndEndsWithTheDriverRunning) {
    NullSinkServer server;
    ASSERT_TRUE(server.ready()) << "pulseaudio did not start";
    FluidMidiEngine engine(pulseOnly());
    // Devices are made on a worker while the GUI thread reads the
    // environment; nothing may change it then (glibc's setenv moves it).
    char** const environment = environ;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        std::unique_ptr<FluidMidiDevice> device =
            openFluid(engine, FakeMidiFiles::bundledTunePath());
        ASSERT_NE(device, nullptr);
        float left = 0, right = 0;
        ASSERT_EQ(device->render(&left, &right, 1), 0); // an output renders it, not the caller
        ASSERT_TRUE(device->play());
        if (round % 2) {
            EXPECT_TRUE(OwnProcess::waitUntil([&] { return server.streams() == 1; }))
                << "the stream never came";
        }
        FluidCalls::clear();
        device.reset();
        const QStringList inOrder = {"fluid_synth_all_sounds_off", "pa_threaded_mainloop_stop",
                                     "delete_fluid_synth", "delete_fluid_settings"};
        EXPECT_TRUE(OwnProcess::waitUntil([&] { return FluidCalls::journal() == inOrder; }))
            << FluidCalls::journal().join(", ").toStdString();
    }
    EXPECT_TRUE(OwnProcess::waitUntil([&] { return server.streams() == 0; }))
        << server.streams() << " streams left";
    EXPECT_EQ(environ, environment);
    EXPECT_EQ(std::getenv("PULSE_PROP_media.role"), nullptr);
}

// The game's own way in: the open loads on a worker, and End (stop, close),
// a re-open or the interpreter's end may come at any moment of the load.
// Whatever is given up is closed when it arrives; nothing is left playing.
TEST(FluidLive, TheGamesCommandsMeetLoadsAtEveryStage) {
    NullSinkServer server;
    ASSERT_TRUE(server.ready()) << "pulseaudio did not start";
    const QString open =
        QStringLiteral("open \"%1\" alias MIDI").arg(FakeMidiFiles::bundledTunePath());
    const std::vector<std::vector<QString>> sessions = {
        {open, "play MIDI notify", "stop MIDI notify", "close MIDI notify"},
        {open, "play MIDI notify", "close MIDI notify", open, "play MIDI notify"},
        {open, open, "play MIDI notify", "status MIDI mode"},
        {open, "play MIDI notify", "wait", "seek MIDI to start", "play MIDI from 0",
         "stop MIDI notify", "close MIDI notify"},
    };
    for (const auto& session : sessions) {
        SCOPED_TRACE(session.size());
        Workers workers;
        {
            MciInterpreter mci(std::make_unique<FluidMidiEngine>(pulseOnly()), {workers});
            for (const QString& command : session) {
                if (command == "wait") {
                    EXPECT_TRUE(OwnProcess::waitUntil([&] { return server.streams() == 1; }));
                    continue;
                }
                QString reply;
                mci.sendString(command, &reply, 15);
            }
        }
        EXPECT_TRUE(workers.joinAll(std::chrono::seconds(20)));
        EXPECT_TRUE(OwnProcess::waitUntil([&] { return server.streams() == 0; }))
            << server.streams() << " streams left";
    }
}

} // namespace
} // namespace hanashi
