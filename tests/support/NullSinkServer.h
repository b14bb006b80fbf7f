// SPDX-License-Identifier: MIT
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <vector>

namespace hanashi {

// A private PulseAudio daemon whose only sink is a null sink, for tests that
// play through a real sound server. PULSE_SERVER points at it while it
// lives. Its streams are read back with pactl, and what its sink plays with
// parec from the sink's monitor. Every wait polls with a deadline, as
// starting a daemon takes what it takes.
class NullSinkServer {
public:
    NullSinkServer();
    ~NullSinkServer();

    bool ready() const { return m_ready; }

    // Ends the daemon at once, as a crash would.
    void kill();
    // Starts it again on the same socket, with a null sink of the name.
    bool restart(const QString& sink = QStringLiteral("nullsink"));
    // Unloads the one sink, as unplugging the device would; then loads a new
    // one.
    bool unloadSink();
    bool loadSink(const QString& sink);

    // `pactl list sink-inputs`, or nothing if pactl fails.
    std::optional<QString> sinkInputs() { return pactl({"list", "sink-inputs"}); }
    // The latency the null sink runs at, as its streams asked; -1 if unknown.
    int sinkLatencyMs();
    // Streams playing into the server, or -1 if pactl fails.
    int streams();

    // Starts recording what the sink plays, mono, at 44100 a second.
    bool startRecording();
    // Ends the recording; its samples, from -1 to 1.
    std::vector<float> recorded();

private:
    bool start(const QString& sink);
    std::optional<QString> pactl(const QStringList& args);

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QProcess m_recorder;
    QString m_sink;
    bool m_ready = false;
};

} // namespace hanashi
