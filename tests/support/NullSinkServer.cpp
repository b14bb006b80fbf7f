// SPDX-License-Identifier: MIT
#include "support/NullSinkServer.h"

#include "support/OwnProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdint>
#include <cstring>

namespace hanashi {

NullSinkServer::NullSinkServer() {
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    qputenv("PULSE_SERVER", QStringLiteral("unix:%1/native").arg(m_dir.path()).toLocal8Bit());
    m_ready = start(QStringLiteral("nullsink"));
}

NullSinkServer::~NullSinkServer() {
    m_recorder.kill();
    m_recorder.waitForFinished();
    kill();
    qunsetenv("PULSE_SERVER");
}

bool NullSinkServer::start(const QString& sink) {
    const QString run = m_dir.path();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), run);
    m_daemon.setProcessEnvironment(env);
    m_daemon.start(
        QStringLiteral("pulseaudio"),
        {"--daemonize=no", "--system=false", "--exit-idle-time=-1", "-n", "--use-pid-file=no",
         "--log-target=stderr", "--log-level=0", "--load=module-null-sink sink_name=" + sink,
         "--load=module-native-protocol-unix socket=" + run + "/native auth-anonymous=1"});
    m_sink = sink;
    return m_daemon.waitForStarted() &&
           OwnProcess::waitUntil([this] { return pactl({"info"}).has_value(); });
}

void NullSinkServer::kill() {
    m_daemon.kill();
    m_daemon.waitForFinished();
}

bool NullSinkServer::restart(const QString& sink) {
    kill();
    return start(sink);
}

bool NullSinkServer::unloadSink() {
    return pactl({"unload-module", "module-null-sink"}).has_value();
}

bool NullSinkServer::loadSink(const QString& sink) {
    m_sink = sink;
    return pactl({"load-module", "module-null-sink", "sink_name=" + sink}).has_value();
}

int NullSinkServer::sinkLatencyMs() {
    const QRegularExpression configured(QStringLiteral("configured (\\d+) usec"));
    const QRegularExpressionMatch match =
        configured.match(pactl({"list", "sinks"}).value_or(QString()));
    return match.hasMatch() ? match.captured(1).toInt() / 1000 : -1;
}

int NullSinkServer::streams() {
    const std::optional<QString> out = pactl({"list", "short", "sink-inputs"});
    return out ? static_cast<int>(out->split('\n', Qt::SkipEmptyParts).size()) : -1;
}

bool NullSinkServer::startRecording() {
    // Straight into a file: nothing here reads a pipe while the test runs.
    const QString file = m_dir.filePath(QStringLiteral("recording.raw"));
    m_recorder.setStandardOutputFile(file);
    m_recorder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_recorder.start(QStringLiteral("parec"),
                     {"--device=" + m_sink + ".monitor", "--raw", "--format=s16le", "--rate=44100",
                      "--channels=1", "--latency-msec=50"});
    // An idle sink hands its monitor's sound over in pieces of seconds: the
    // recording has begun once the first piece is in.
    return m_recorder.waitForStarted() &&
           OwnProcess::waitUntil([&file] { return QFileInfo(file).size() > 0; });
}

std::vector<float> NullSinkServer::recorded() {
    m_recorder.terminate();
    m_recorder.waitForFinished();
    QFile file(m_dir.filePath(QStringLiteral("recording.raw")));
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    std::vector<float> samples(static_cast<std::size_t>(bytes.size()) / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::int16_t value = 0;
        std::memcpy(&value, bytes.constData() + 2 * i, 2);
        samples[i] = float(value) / 32768.0F;
    }
    return samples;
}

std::optional<QString> NullSinkServer::pactl(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral("pactl"), args);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace hanashi
