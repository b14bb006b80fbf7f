// SPDX-License-Identifier: MIT
#include "support/FakeMidiEngine.h"

#include <algorithm>

namespace hanashi {

std::unique_ptr<MidiDevice> FakeMidiEngine::open(const QString& path) {
    if (failing.contains(path)) {
        record(QStringLiteral("refuse ") + path);
        return nullptr;
    }
    return std::make_unique<FakeMidiDevice>(*this, path);
}

void FakeMidiEngine::record(const QString& entry, FakeMidiDevice* device, bool alive) {
    const std::lock_guard lock(m_mutex);
    m_journal.append(entry);
    if (!device)
        return;
    if (alive)
        m_live.push_back(device);
    else
        m_live.erase(std::remove(m_live.begin(), m_live.end(), device), m_live.end());
}

} // namespace hanashi
