// SPDX-License-Identifier: MIT
#include "music/MusicModule.h"

namespace hanashi {

namespace {

constexpr std::int16_t loopTrue = -1;
constexpr std::int16_t loopFalse = 0;

void send(Mci& mci, const QString& command) {
    mci.sendString(command, nullptr, 0);
}

} // namespace

MusicModule::MusicModule(Mci& mci)
    : m_mci(mci) {}

void MusicModule::OpenMusic(const QString& path) {
    send(m_mci, QStringLiteral("close MIDI notify"));
    send(m_mci, QStringLiteral("open \"") + path + QStringLiteral("\" alias MIDI"));
    sent();
}

void MusicModule::CloseMusic() {
    send(m_mci, QStringLiteral("close MIDI notify"));
    sent();
}

void MusicModule::PlayMusic() {
    m_musicLoopOn = loopTrue;
    send(m_mci, QStringLiteral("play MIDI notify"));
    sent();
}

void MusicModule::StopMusic() {
    m_musicLoopOn = loopFalse;
    send(m_mci, QStringLiteral("stop MIDI notify"));
    sent();
}

std::chrono::milliseconds MusicModule::watchdogMaySleepFor() {
    if (m_musicLoopOn != loopTrue)
        return std::chrono::milliseconds::max();
    return m_mci.quietFor(QStringLiteral("MIDI"));
}

void MusicModule::sent() {
    if (m_onCommand)
        m_onCommand();
}

void MusicModule::BgmTim_Timer() {
    // A fresh buffer each tick: a failed query leaves it as it was, blank,
    // and blanks never read as stopped.
    QString reply(16, QLatin1Char(' '));
    m_mci.sendString(QStringLiteral("status MIDI mode"), &reply, 15);
    if (reply.left(7).toUpper() == QLatin1String("STOPPED") && m_musicLoopOn == loopTrue) {
        send(m_mci, QStringLiteral("seek MIDI to start"));
        send(m_mci, QStringLiteral("play MIDI from 0"));
    }
}

} // namespace hanashi
