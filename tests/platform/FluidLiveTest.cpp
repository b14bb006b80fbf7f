// SPDX-License-Identifier: MIT
#include "platform/FluidMidiEngine.h"
#include "platform/MciInterpreter.h"
#include "platform/MidiFileInfo.h"
#include "platform/PulseOutput.h"
#include "support/FakeMidiFiles.h"
#include "support/FluidCalls.h"
#include "support/OwnProcess.h"
#include "support/WatchedFluidEngine.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace hanashi {
namespace {

MidiFileInfo infoOf(const QByteArray& tune) {
    return MidiFileInfo::parse(tune).value_or(MidiFileInfo{});
}

// A private PulseAudio daemon whose only sink is a null sink, so that
// FluidSynth's real driver runs with a live audio thread. Its streams are
// read back with pactl. Every wait polls with a deadline, as starting a
// daemon takes what it takes.
class NullSinkServer {
public:
    NullSinkServer() {
        const QString run = m_dir.path();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), run);
        m_daemon.setProcessEnvironment(env);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start(
            QStringLiteral("pulseaudio"),
            {"--daemonize=no", "--system=false", "--exit-idle-time=-1", "-n", "--use-pid-file=no",
             "--log-target=stderr", "--log-level=0", "--load=module-null-sink sink_name=nullsink",
             "--load=module-native-protocol-unix socket=" + run + "/native auth-anonymous=1"});
        m_server = QStringLiteral("unix:%1/native").arg(run);
        qputenv("PULSE_SERVER", m_server.toLocal8Bit());
        m_ready = m_daemon.waitForStarted() &&
                  OwnProcess::waitUntil([this] { return pactl({"info"}).has_value(); });
    }
    ~NullSinkServer() {
        m_daemon.kill();
        m_daemon.waitForFinished();
        qunsetenv("PULSE_SERVER");
    }

    bool ready() const { return m_ready; }

    // Ends the daemon at once, as a crash would.
    void kill() {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    // `pactl list sink-inputs`, or nothing if pactl fails.
    std::optional<QString> sinkInputs() { return pactl({"list", "sink-inputs"}); }

    // The latency the null sink runs at, as its streams asked; -1 if unknown.
    int sinkLatencyMs() {
        const QRegularExpression configured(QStringLiteral("configured (\\d+) usec"));
        const QRegularExpressionMatch match =
            configured.match(pactl({"list", "sinks"}).value_or(QString()));
        return match.hasMatch() ? match.captured(1).toInt() / 1000 : -1;
    }

    // Streams playing into the server, or -1 if pactl fails.
    int streams() {
        const std::optional<QString> out = pactl({"list", "short", "sink-inputs"});
        return out ? static_cast<int>(out->split('\n', Qt::SkipEmptyParts).size()) : -1;
    }

private:
    std::optional<QString> pactl(const QStringList& args) {
        QProcess process;
        process.start(QStringLiteral("pactl"), args);
        if (!process.waitForFinished(10000) || process.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_server;
    bool m_ready = false;
};

FluidMidiEngine::Options pulseOnly() {
    FluidMidiEngine::Options options;
    options.drivers = {"pulseaudio"};
    return options;
}

FluidMidiDevice::Setup setupFor(const std::vector<std::string>& drivers) {
    FluidMidiDevice::Setup setup;
    setup.soundFonts = {QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
    setup.drivers = drivers;
    return setup;
}

// The stream is in the server's own format, so nothing is converted, and the
// rendering it asks for is what moves the player: a short piece plays to its
// end and the device then says it has stopped.
TEST(FluidLive, TheMusicStreamIsInTheServersFormatAndPlaysThePieceToItsEnd) {
    NullSinkServer server;
    ASSERT_TRUE(server.ready()) << "pulseaudio did not start";
    const int ticks = 960; // one second at the file's default tempo
    auto device =
        FluidMidiDevice::create(FakeMidiFiles::heldNote(ticks),
                                infoOf(FakeMidiFiles::heldNote(ticks)), setupFor({"pulseaudio"}));
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
        << "still playing at tick " << device->currentTick();
    EXPECT_GE(device->currentTick(), ticks);
    EXPECT_EQ(server.streams(), 1) << "the stream failed on the way";
}

// With no server the PulseAudio output gives up at once and the next output
// in line plays; a server that takes the connection and never answers holds
// the load up no longer than the output's wait.
TEST(FluidLive, WithoutAnAnsweringServerTheNextOutputPlays) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no-such-socket"));
    qputenv("PULSE_SERVER", ("unix:" + missing).toLocal8Bit());
    const QString written = dir.filePath(QStringLiteral("out.wav"));
    FluidMidiDevice::Setup setup = setupFor({"pulseaudio", "file"});
    setup.driverSettings = {{"audio.file.name", written.toStdString()}};
    auto start = std::chrono::steady_clock::now();
    auto device = FluidMidiDevice::create(FakeMidiFiles::heldNote(960),
                                          infoOf(FakeMidiFiles::heldNote(960)), setup);
    EXPECT_LT(std::chrono::steady_clock::now() - start, PulseOutput::connectWait / 2);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->hasAudioDriver());
    EXPECT_TRUE(OwnProcess::waitUntil([&] { return QFileInfo(written).size() > 4096; }))
        << "the file driver does not play";
    device.reset();

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
    EXPECT_EQ(FluidMidiDevice::create(FakeMidiFiles::heldNote(960),
                                      infoOf(FakeMidiFiles::heldNote(960)),
                                      setupFor({"pulseaudio"})),
              nullptr);
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
    auto device =
        FluidMidiDevice::create(FakeMidiFiles::heldNote(96000),
                                infoOf(FakeMidiFiles::heldNote(96000)), setupFor({"pulseaudio"}));
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->play());
    ASSERT_TRUE(OwnProcess::waitUntil([&] { return device->currentTick() > 0; }));
    // The output's connection to the server is the process's only socket.
    const auto sockets = [] {
        return OwnProcess::openFiles().filter(QStringLiteral("socket:")).size();
    };
    ASSERT_EQ(sockets(), 1);
    server.kill();
    EXPECT_TRUE(OwnProcess::waitUntil([&] { return sockets() == 0; }))
        << "the output held on to the dead connection";
    device->mode();

    FluidCalls::clear();
    auto closing = std::async(std::launch::async, [&device] { device.reset(); });
    ASSERT_EQ(closing.wait_for(std::chrono::seconds(10)), std::future_status::ready)
        << "closing hung after the server died";
    const QStringList all = {"fluid_player_stop", "pa_threaded_mainloop_stop",
                             "delete_fluid_player", "delete_fluid_synth", "delete_fluid_settings"};
    EXPECT_TRUE(OwnProcess::waitUntil([&] { return FluidCalls::journal() == all; }))
        << FluidCalls::journal().join(", ").toStdString();
    EXPECT_TRUE(OwnProcess::holdsNoMoreThan(before));
}

// Starts and ends against a driver that is rendering: the device is made,
// played and deleted, some while the audio thread has just started, some
// after it has played for a while. Each time the output lets go of its
// thread before the player and the synthesiser it renders from are deleted
// (FluidSynth is not built with the sanitizers, so the order is checked
// itself).
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
        ASSERT_TRUE(device->hasAudioDriver());
        ASSERT_TRUE(device->play());
        if (round % 2) {
            EXPECT_TRUE(OwnProcess::waitUntil([&] { return device->currentTick() > 0; }))
                << "the player never moved";
        }
        FluidCalls::clear();
        device.reset();
        const QStringList inOrder = {"fluid_player_stop", "pa_threaded_mainloop_stop",
                                     "delete_fluid_player", "delete_fluid_synth",
                                     "delete_fluid_settings"};
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
        {
            MciInterpreter mci(std::make_unique<FluidMidiEngine>(pulseOnly()),
                               MciInterpreter::Opening::InBackground);
            for (const QString& command : session) {
                if (command == "wait") {
                    EXPECT_TRUE(OwnProcess::waitUntil([&] { return server.streams() == 1; }));
                    continue;
                }
                QString reply;
                mci.sendString(command, &reply, 15);
            }
        }
        EXPECT_TRUE(OwnProcess::waitUntil([&] { return server.streams() == 0; }))
            << server.streams() << " streams left";
    }
}

} // namespace
} // namespace hanashi
