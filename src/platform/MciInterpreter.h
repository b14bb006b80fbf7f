// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Mci.h"
#include "platform/MidiDevice.h"
#include "platform/MidiEngine.h"

#include <QString>
#include <future>
#include <map>
#include <memory>

namespace hanashi {

// Carries out command strings on MIDI devices kept by alias (aliases compare
// without regard to case). An open on an alias that is in use closes the old
// device first, so at most one device ever exists per alias, and two never
// hold the audio output at once.
class MciInterpreter : public Mci {
public:
    enum class Opening {
        // open returns once the device is ready, or with its failure.
        AtOnce,
        // open starts the engine on a worker thread and returns success at
        // once. Until the device is ready, play, stop and seek are noted and
        // carried out on it when it is; status answers what the device will
        // say then. If the open fails, the alias is gone, as if the open had
        // failed at once. close, and an open on the alias, wait for the load.
        // The engine's open then runs on that thread, for different aliases
        // at the same time.
        InBackground,
    };

    explicit MciInterpreter(std::unique_ptr<MidiEngine> engine, Opening opening = Opening::AtOnce);
    ~MciInterpreter() override;

    int sendString(const QString& command, QString* reply, int replyLength) override;

    // The device open under alias; null if there is none or it still loads.
    // For tests and benchmarks.
    MidiDevice* device(const QString& alias) const;
    int deviceCount() const { return static_cast<int>(m_devices.size()); }
    // Waits for every open still loading and settles it as a command would.
    void finishLoading();

    static QString modeWord(MidiDevice::Mode mode);
    // Only MIDI files have a device; the extension decides, as nothing else is
    // known about a file before it is opened.
    static bool isMidiPath(const QString& path);

private:
    struct Slot {
        std::unique_ptr<MidiDevice> device;
        // Valid while the device loads in the background; its destructor
        // waits for the load.
        std::future<std::unique_ptr<MidiDevice>> loading;
        // Asked for while loading.
        bool playWanted = false;
        bool seekWanted = false;
    };
    using Slots = std::map<QString, Slot>;

    // False while the slot is still loading (and wait is false); otherwise
    // takes the loaded device and carries out what was asked for meanwhile.
    static bool settle(Slot& slot, bool wait);

    // Declared first so that it outlives the devices it opened.
    std::unique_ptr<MidiEngine> m_engine;
    Opening m_opening;
    Slots m_devices;
};

} // namespace hanashi
