// SPDX-License-Identifier: MIT
#include "platform/MciInterpreter.h"

#include "platform/MciCommand.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <system_error>

namespace hanashi {

namespace {

QString aliasKey(const QString& alias) {
    return alias.toCaseFolded();
}

} // namespace

MciInterpreter::MciInterpreter(std::unique_ptr<MidiEngine> engine, Opening opening)
    : m_engine(std::move(engine))
    , m_opening(opening) {}

MciInterpreter::~MciInterpreter() {
    // Devices, and loads still running, go before the engine, whatever the
    // member order says.
    m_devices.clear();
}

MidiDevice* MciInterpreter::device(const QString& alias) const {
    const auto found = m_devices.find(aliasKey(alias));
    return found == m_devices.end() ? nullptr : found->second.device.get();
}

void MciInterpreter::finishLoading() {
    for (auto it = m_devices.begin(); it != m_devices.end();) {
        settle(it->second, true);
        it = it->second.device ? std::next(it) : m_devices.erase(it);
    }
}

bool MciInterpreter::settle(Slot& slot, bool wait) {
    if (!slot.loading.valid())
        return true;
    if (!wait && slot.loading.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return false;
    slot.device = slot.loading.get();
    // What the commands during the load asked for, in the order a single
    // command would do it. A fresh device already stands at the start, but a
    // seek asked for is still passed on.
    if (slot.device) {
        if (slot.seekWanted)
            slot.device->seekToStart();
        if (slot.playWanted)
            slot.device->play();
    }
    return true;
}

QString MciInterpreter::modeWord(MidiDevice::Mode mode) {
    return mode == MidiDevice::Mode::Playing ? QStringLiteral("playing")
                                             : QStringLiteral("stopped");
}

bool MciInterpreter::isMidiPath(const QString& path) {
    return path.endsWith(QLatin1String(".mid"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".midi"), Qt::CaseInsensitive);
}

int MciInterpreter::sendString(const QString& command, QString* reply, int replyLength) {
    MciCommand parsed;
    if (const MciError error = MciCommand::parse(command, parsed); error != MciError::None)
        return mciCode(error);

    if (parsed.verb == MciCommand::Verb::Open) {
        if (!isMidiPath(parsed.device))
            return mciCode(MciError::UnknownDeviceType);
        const QString key = aliasKey(parsed.alias);
        m_devices.erase(key);
        if (!m_engine)
            return mciCode(MciError::CannotOpen);
        if (m_opening == Opening::InBackground) {
            Slot slot;
            try {
                slot.loading =
                    std::async(std::launch::async, [engine = m_engine.get(), path = parsed.device] {
                        return engine->open(path);
                    });
            } catch (const std::system_error&) {
                // No thread to spare: open here instead.
            }
            if (slot.loading.valid()) {
                m_devices.emplace(key, std::move(slot));
                return mciCode(MciError::None);
            }
        }
        std::unique_ptr<MidiDevice> opened = m_engine->open(parsed.device);
        if (!opened)
            return mciCode(MciError::CannotOpen);
        m_devices.emplace(key, Slot{std::move(opened), {}, false, false});
        return mciCode(MciError::None);
    }

    const auto found = m_devices.find(aliasKey(parsed.device));
    if (found == m_devices.end())
        return mciCode(MciError::UnknownAlias);
    Slot& slot = found->second;
    // close waits for a load, so that its answer is the device's.
    if (!settle(slot, parsed.verb == MciCommand::Verb::Close)) {
        // Still loading: note what is asked for. The answers are what the
        // device will give once it is ready and has been told.
        switch (parsed.verb) {
        case MciCommand::Verb::Open:
        case MciCommand::Verb::Close:
            break;
        case MciCommand::Verb::Play:
            if (parsed.from && *parsed.from != 0)
                return mciCode(MciError::BadParameter);
            slot.seekWanted = slot.seekWanted || parsed.from.has_value();
            slot.playWanted = true;
            break;
        case MciCommand::Verb::Stop:
            slot.playWanted = false;
            break;
        case MciCommand::Verb::Seek:
            slot.seekWanted = true;
            break;
        case MciCommand::Verb::Status:
            if (reply)
                *reply = modeWord(slot.playWanted ? MidiDevice::Mode::Playing
                                                  : MidiDevice::Mode::Stopped)
                             .left(std::max(replyLength, 0));
            break;
        }
        return mciCode(MciError::None);
    }
    if (!slot.device) {
        // The open failed after all: as if it had failed at once.
        m_devices.erase(found);
        return mciCode(MciError::UnknownAlias);
    }
    MidiDevice& target = *slot.device;

    bool done = true;
    switch (parsed.verb) {
    case MciCommand::Verb::Open:
        break;
    case MciCommand::Verb::Close:
        m_devices.erase(found);
        break;
    case MciCommand::Verb::Play:
        if (parsed.from) {
            // Positions other than the start are never sent and would need
            // the piece's tempo map; refuse them rather than guess.
            if (*parsed.from != 0)
                return mciCode(MciError::BadParameter);
            done = target.seekToStart();
        }
        done = done && target.play();
        break;
    case MciCommand::Verb::Stop:
        done = target.stop();
        break;
    case MciCommand::Verb::Seek:
        done = target.seekToStart();
        break;
    case MciCommand::Verb::Status:
        if (reply)
            *reply = modeWord(target.mode()).left(std::max(replyLength, 0));
        break;
    }
    return mciCode(done ? MciError::None : MciError::DeviceFailed);
}

} // namespace hanashi
