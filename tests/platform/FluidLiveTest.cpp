// SPDX-License-Identifier: MIT
#include "platform/FluidMidiEngine.h"
#include "platform/MciInterpreter.h"
#include "platform/MidiFileInfo.h"
#include "support/FakeMidiFiles.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <unistd.h>

namespace hanashi {
namespace {

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
        m_ready =
            m_daemon.waitForStarted() && waitUntil([this] { return pactl({"info"}).has_value(); });
    }
    ~NullSinkServer() {
        m_daemon.kill();
        m_daemon.waitForFinished();
        qunsetenv("PULSE_SERVER");
    }

    bool ready() const { return m_ready; }

    // Streams playing into the server, or -1 if pactl fails.
    int streams() {
        const std::optional<QString> out = pactl({"list", "short", "sink-inputs"});
        return out ? static_cast<int>(out->split('\n', Qt::SkipEmptyParts).size()) : -1;
    }

    static bool waitUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
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

// Starts and ends against a driver that is rendering: the device is made,
// played and deleted, some while the audio thread has just started, some
// after it has played for a while. The sanitizers run this too: a player
// deleted under a running driver, or a synthesiser changed while it renders,
// shows there.
TEST(FluidLive, startsAndEndsWithTheDriverRunning) {
    NullSinkServer server;
    ASSERT_TRUE(server.ready()) << "pulseaudio did not start";
    FluidMidiEngine engine(pulseOnly());
    // Devices are made on a worker while the GUI thread reads the
    // environment; nothing may change it then (glibc's setenv moves it).
    char** const environment = environ;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        std::unique_ptr<FluidMidiDevice> device =
            engine.openFluid(FakeMidiFiles::bundledTunePath());
        ASSERT_NE(device, nullptr);
        ASSERT_TRUE(device->hasAudioDriver());
        ASSERT_TRUE(device->play());
        if (round % 2) {
            EXPECT_TRUE(NullSinkServer::waitUntil([&] { return device->currentTick() > 0; }))
                << "the player never moved";
        }
        device.reset();
    }
    EXPECT_TRUE(NullSinkServer::waitUntil([&] { return server.streams() == 0; }))
        << server.streams() << " streams left";
    EXPECT_EQ(environ, environment);
    EXPECT_EQ(std::getenv("PULSE_PROP_media.role"), nullptr);
}

// The game's own way in: the open loads on a worker, and End (stop, close),
// a re-open or the interpreter's end may come at any moment of the load.
// Whatever is given up is closed when it arrives; nothing is left playing.
TEST(FluidLive, theGamesCommandsMeetLoadsAtEveryStage) {
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
                    EXPECT_TRUE(NullSinkServer::waitUntil([&] { return server.streams() == 1; }));
                    continue;
                }
                QString reply;
                mci.sendString(command, &reply, 15);
            }
        }
        EXPECT_TRUE(NullSinkServer::waitUntil([&] { return server.streams() == 0; }))
            << server.streams() << " streams left";
    }
}

} // namespace
} // namespace hanashi
