// SPDX-License-Identifier: MIT
#include "platform/MciInterpreter.h"

#include "platform/LoadHold.h"
#include "platform/Workers.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace hanashi {

namespace {

QString aliasKey(const QString& alias) {
    return alias.toCaseFolded();
}

void answer(QString* reply, int replyLength, MidiDevice::Mode mode) {
    const QString word =
        mode == MidiDevice::Mode::Playing ? QStringLiteral("playing") : QStringLiteral("stopped");
    if (reply)
        *reply = word.left(std::max(replyLength, 0));
}

// Only MIDI files have a device; the extension decides, as nothing else is
// known about a file before it is opened.
bool isMidiPath(const QString& path) {
    return path.endsWith(QLatin1String(".mid"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".midi"), Qt::CaseInsensitive);
}

} // namespace

// What an open on the worker and the interpreter share. Whoever comes second
// deals with the device: the interpreter takes it, or, once the load has
// been given up, the worker closes it.
struct MciInterpreter::Load {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    std::unique_ptr<MidiDevice> device;
};

MciInterpreter::MciInterpreter(std::unique_ptr<MidiEngine> engine)
    : m_engine(std::move(engine)) {}

MciInterpreter::MciInterpreter(std::unique_ptr<MidiEngine> engine, Background background)
    : m_engine(std::move(engine))
    , m_background(background) {}

MciInterpreter::~MciInterpreter() {
    while (!m_devices.empty()) {
        settle(m_devices.begin()->second, loadWait());
        remove(m_devices.begin());
    }
}

std::chrono::milliseconds MciInterpreter::quietFor(const QString& alias) {
    const auto found = m_devices.find(aliasKey(alias));
    if (found == m_devices.end())
        return std::chrono::milliseconds::max();
    // A device still loading, or one whose load failed and is not yet
    // cleared away, answers soon enough to be asked again.
    MidiDevice* device = found->second.device.get();
    return device ? device->quietFor() : std::chrono::milliseconds::zero();
}

bool MciInterpreter::settle(Slot& slot, std::chrono::milliseconds wait) {
    if (!slot.load)
        return true;
    {
        std::unique_lock lock(slot.load->mutex);
        if (!slot.load->finished.wait_for(lock, wait, [&] { return slot.load->done; }))
            return false;
        slot.device = std::move(slot.load->device);
    }
    slot.load.reset();
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

void MciInterpreter::remove(std::map<QString, Slot>::iterator slot) {
    if (!settle(slot->second, std::chrono::milliseconds::zero())) {
        std::lock_guard lock(slot->second.load->mutex);
        slot->second.load->abandoned = true;
    }
    m_devices.erase(slot);
}

int MciInterpreter::sendString(const QString& command, QString* reply, int replyLength) {
    MciCommand parsed;
    if (const MciError error = MciCommand::parse(command, parsed); error != MciError::None)
        return mciCode(error);
    if (parsed.verb == MciCommand::Verb::Open)
        return open(parsed.device, parsed.alias);
    if (parsed.verb == MciCommand::Verb::Close)
        return close(parsed.device);

    const auto found = m_devices.find(aliasKey(parsed.device));
    if (found == m_devices.end())
        return mciCode(MciError::UnknownAlias);
    Slot& slot = found->second;
    if (!settle(slot, std::chrono::milliseconds(0)))
        return noteWhileLoading(slot, parsed, reply, replyLength);
    if (!slot.device) {
        // The open failed after all: as if it had failed at once.
        m_devices.erase(found);
        return mciCode(MciError::UnknownAlias);
    }
    return carryOut(*slot.device, parsed, reply, replyLength);
}

int MciInterpreter::open(const QString& path, const QString& alias) {
    if (!isMidiPath(path))
        return mciCode(MciError::UnknownDeviceType);
    const QString key = aliasKey(alias);
    if (const auto old = m_devices.find(key); old != m_devices.end()) {
        settle(old->second, loadWait());
        remove(old);
    }
    if (m_background) {
        auto load = std::make_shared<Load>();
        const bool started =
            m_background->workers.start([load, engine = m_engine, hold = m_background->hold, path] {
                if (hold)
                    hold->waitWhileHeld();
                std::unique_ptr<MidiDevice> device = engine->open(path);
                std::unique_lock lock(load->mutex);
                if (load->abandoned) {
                    lock.unlock();
                    return; // nobody wants it: closed here, as it goes
                }
                load->device = std::move(device);
                load->done = true;
                load->finished.notify_all();
            });
        if (started) {
            m_devices.emplace(key, Slot{nullptr, std::move(load), false, false});
            return mciCode(MciError::None);
        }
        // No thread to spare: open here instead.
    }
    std::unique_ptr<MidiDevice> opened = m_engine->open(path);
    if (!opened)
        return mciCode(MciError::CannotOpen);
    m_devices.emplace(key, Slot{std::move(opened), nullptr, false, false});
    return mciCode(MciError::None);
}

int MciInterpreter::close(const QString& alias) {
    const auto found = m_devices.find(aliasKey(alias));
    if (found == m_devices.end())
        return mciCode(MciError::UnknownAlias);
    // The answer is the device's: an open that failed meanwhile has no alias.
    // The load is waited for once; what is still loading then is given up.
    const bool failed = settle(found->second, loadWait()) && !found->second.device;
    remove(found);
    return mciCode(failed ? MciError::UnknownAlias : MciError::None);
}

int MciInterpreter::noteWhileLoading(Slot& slot, const MciCommand& command, QString* reply,
                                     int replyLength) {
    switch (command.verb) {
    case MciCommand::Verb::Play:
        if (command.from && *command.from != 0)
            return mciCode(MciError::BadParameter);
        slot.seekWanted = slot.seekWanted || command.from.has_value();
        slot.playWanted = true;
        break;
    case MciCommand::Verb::Stop:
        slot.playWanted = false;
        break;
    case MciCommand::Verb::Seek:
        slot.seekWanted = true;
        break;
    case MciCommand::Verb::Status:
        answer(reply, replyLength,
               slot.playWanted ? MidiDevice::Mode::Playing : MidiDevice::Mode::Stopped);
        break;
    case MciCommand::Verb::Open:
    case MciCommand::Verb::Close:
        break;
    }
    return mciCode(MciError::None);
}

int MciInterpreter::carryOut(MidiDevice& device, const MciCommand& command, QString* reply,
                             int replyLength) {
    bool done = true;
    switch (command.verb) {
    case MciCommand::Verb::Play:
        if (command.from) {
            // Positions other than the start are never sent and would need
            // the piece's tempo map; refuse them rather than guess.
            if (*command.from != 0)
                return mciCode(MciError::BadParameter);
            done = device.seekToStart();
        }
        done = done && device.play();
        break;
    case MciCommand::Verb::Stop:
        done = device.stop();
        break;
    case MciCommand::Verb::Seek:
        done = device.seekToStart();
        break;
    case MciCommand::Verb::Status:
        answer(reply, replyLength, device.mode());
        break;
    case MciCommand::Verb::Open:
    case MciCommand::Verb::Close:
        break;
    }
    return mciCode(done ? MciError::None : MciError::DeviceFailed);
}

} // namespace hanashi
