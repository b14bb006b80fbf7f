// SPDX-License-Identifier: MIT
#include "support/FakeMidiDevice.h"

#include "support/FakeMidiEngine.h"

namespace hanashi {

FakeMidiDevice::FakeMidiDevice(FakeMidiEngine& engine, const QString& path)
    : m_engine(engine)
    , m_path(path) {
    m_engine.record(QStringLiteral("open ") + m_path, this, true);
}

FakeMidiDevice::~FakeMidiDevice() {
    m_engine.record(QStringLiteral("close ") + m_path, this, false);
}

bool FakeMidiDevice::play() {
    m_engine.record(QStringLiteral("play ") + m_path);
    if (m_refuseAll)
        return false;
    m_mode = Mode::Playing;
    return true;
}

bool FakeMidiDevice::stop() {
    m_engine.record(QStringLiteral("stop ") + m_path);
    if (m_refuseAll)
        return false;
    m_mode = Mode::Stopped;
    return true;
}

bool FakeMidiDevice::seekToStart() {
    m_engine.record(QStringLiteral("seek ") + m_path);
    return !m_refuseAll;
}

} // namespace hanashi
