#include "platform/MciInterpreter.h"

#include "platform/MciCommand.h"

#include <algorithm>

namespace hanashi {

namespace {

QString aliasKey(const QString& alias) {
    return alias.toCaseFolded();
}

} // namespace

MciInterpreter::MciInterpreter(std::unique_ptr<MidiEngine> engine)
    : m_engine(std::move(engine)) {}

MciInterpreter::~MciInterpreter() {
    // Devices go before the engine, whatever the member order says.
    m_devices.clear();
}

MidiDevice* MciInterpreter::device(const QString& alias) const {
    const auto found = m_devices.find(aliasKey(alias));
    return found == m_devices.end() ? nullptr : found->second.get();
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
        std::unique_ptr<MidiDevice> opened = m_engine->open(parsed.device);
        if (!opened)
            return mciCode(MciError::CannotOpen);
        m_devices.emplace(key, std::move(opened));
        return mciCode(MciError::None);
    }

    const auto found = m_devices.find(aliasKey(parsed.device));
    if (found == m_devices.end())
        return mciCode(MciError::UnknownAlias);
    MidiDevice& target = *found->second;

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
