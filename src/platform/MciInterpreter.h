#pragma once

#include "platform/Mci.h"
#include "platform/MidiDevice.h"
#include "platform/MidiEngine.h"

#include <QString>
#include <map>
#include <memory>

namespace hanashi {

// Carries out command strings on MIDI devices kept by alias (aliases compare
// without regard to case). An open on an alias that is in use closes the old
// device first, so at most one device ever exists per alias, and two never
// hold the audio output at once.
class MciInterpreter : public Mci {
public:
    explicit MciInterpreter(std::unique_ptr<MidiEngine> engine);
    ~MciInterpreter() override;

    int sendString(const QString& command, QString* reply, int replyLength) override;

    // The device open under alias, or null. For tests and benchmarks.
    MidiDevice* device(const QString& alias) const;
    int deviceCount() const { return static_cast<int>(m_devices.size()); }

    static QString modeWord(MidiDevice::Mode mode);
    // Only MIDI files have a device; the extension decides, as nothing else is
    // known about a file before it is opened.
    static bool isMidiPath(const QString& path);

private:
    // Declared first so that it outlives the devices it opened.
    std::unique_ptr<MidiEngine> m_engine;
    std::map<QString, std::unique_ptr<MidiDevice>> m_devices;
};

} // namespace hanashi
