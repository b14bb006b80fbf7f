// SPDX-License-Identifier: MIT
#pragma once

#include "platform/MidiDevice.h"

#include <QString>

namespace hanashi {

class FakeMidiEngine;

// A device that only keeps a mode and tells its engine what it was asked.
class FakeMidiDevice : public MidiDevice {
public:
    FakeMidiDevice(FakeMidiEngine& engine, const QString& path);
    ~FakeMidiDevice() override;

    bool play() override;
    bool stop() override;
    bool seekToStart() override;
    Mode mode() override { return m_mode; }
    std::chrono::milliseconds quietFor() override { return quiet; }

    // What quietFor answers.
    std::chrono::milliseconds quiet{0};

    // The piece runs out, as the player would report after its last tick.
    void reachEnd() { m_mode = Mode::Stopped; }
    void setRefuseAll(bool refuse) { m_refuseAll = refuse; }

    const QString& path() const { return m_path; }

private:
    FakeMidiEngine& m_engine;
    QString m_path;
    Mode m_mode = Mode::Stopped;
    bool m_refuseAll = false;
};

} // namespace hanashi
