// SPDX-License-Identifier: MIT
#pragma once

#include "platform/MidiEngine.h"
#include "support/FakeMidiDevice.h"

#include <QSet>
#include <QStringList>
#include <mutex>
#include <vector>

namespace hanashi {

// Opens fake devices and keeps a journal of everything done to them
// ("open PATH", "play PATH", "seek PATH", "stop PATH", "close PATH").
// It must outlive its devices, as the interpreter guarantees.
class FakeMidiEngine : public MidiEngine {
public:
    std::unique_ptr<MidiDevice> open(const QString& path) override;

    // Paths whose open fails, as a missing or broken file would.
    QSet<QString> failing;

    const QStringList& journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }
    const std::vector<FakeMidiDevice*>& liveDevices() const { return m_live; }

    // Safe from any thread: the interpreter opens and closes on its workers.
    void record(const QString& entry, FakeMidiDevice* device = nullptr, bool alive = true);

private:
    std::mutex m_mutex;
    QStringList m_journal;
    std::vector<FakeMidiDevice*> m_live;
};

} // namespace hanashi
