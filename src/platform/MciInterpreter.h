// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Mci.h"
#include "platform/MciCommand.h"
#include "platform/MidiDevice.h"
#include "platform/MidiEngine.h"

#include <QString>
#include <chrono>
#include <map>
#include <memory>
#include <optional>

namespace hanashi {

class LoadHold;
class Workers;

// Carries out command strings on MIDI devices kept by alias (aliases compare
// without regard to case). An open on an alias that is in use closes the old
// device first, so at most one device is ever addressed per alias.
class MciInterpreter : public Mci {
public:
    // How an interpreter that loads in the background does it. open starts
    // the engine on a worker and returns success at once. Until the device
    // is ready, play, stop and seek are noted and carried out on it when it
    // is; status answers what the device will say then. If the open fails,
    // the alias is gone, as if the open had failed at once. close, an open on
    // the alias and the interpreter's end wait for the load once, never
    // longer than loadWait: a load still running then is abandoned, and the
    // device it makes is closed on the worker as soon as it exists.
    static constexpr std::chrono::milliseconds DefaultLoadWait{300};

    struct Background {
        Workers& workers;
        // Loads wait while it is held; none if null.
        LoadHold* hold = nullptr;
        // How long a close, an open and the end may block on a load is the
        // owner's choice, as a deadline for Workers::joinAll is.
        std::chrono::milliseconds loadWait = DefaultLoadWait;
    };

    // Opens devices at once: open returns when the device is ready, or with
    // its failure. This is the way the interpreter opens when no thread can
    // be had, for callers that want each answer before the next command.
    explicit MciInterpreter(std::unique_ptr<MidiEngine> engine);
    MciInterpreter(std::unique_ptr<MidiEngine> engine, Background background);
    ~MciInterpreter() override;

    int sendString(const QString& command, QString* reply, int replyLength) override;
    std::chrono::milliseconds quietFor(const QString& alias) override;

private:
    struct Load;
    // One alias: its device, or the load that will give it one.
    struct Slot {
        std::unique_ptr<MidiDevice> device;
        std::shared_ptr<Load> load; // set while loading
        // Asked for while loading.
        bool playWanted = false;
        bool seekWanted = false;
    };

    int open(const QString& path, const QString& alias);
    int close(const QString& alias);
    // play, stop, seek and status while the device still loads: noted, and
    // answered as the device will answer.
    static int noteWhileLoading(Slot& slot, const MciCommand& command, QString* reply,
                                int replyLength);
    static int carryOut(MidiDevice& device, const MciCommand& command, QString* reply,
                        int replyLength);

    // True once the slot holds its outcome (a device, or none after a failed
    // load), waiting up to wait for it; then what was asked for meanwhile has
    // been carried out.
    static bool settle(Slot& slot, std::chrono::milliseconds wait);
    // How long a load is waited for: not at all where none runs.
    std::chrono::milliseconds loadWait() const {
        return m_background ? m_background->loadWait : std::chrono::milliseconds::zero();
    }
    // Removes the slot and closes its device; a load still running is given
    // up without waiting.
    void remove(std::map<QString, Slot>::iterator slot);

    // Shared with the workers, which may outlive the interpreter.
    std::shared_ptr<MidiEngine> m_engine;
    std::optional<Background> m_background;
    std::map<QString, Slot> m_devices;
};

} // namespace hanashi
