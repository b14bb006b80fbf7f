// SPDX-License-Identifier: MIT
#include "platform/LoadHold.h"

namespace hanashi {

void LoadHold::hold() {
    const std::lock_guard lock(m_mutex);
    m_held = true;
}

void LoadHold::release() {
    {
        const std::lock_guard lock(m_mutex);
        m_held = false;
    }
    m_released.notify_all();
}

void LoadHold::waitWhileHeld() {
    std::unique_lock lock(m_mutex);
    m_released.wait_for(lock, Limit, [this] { return !m_held; });
}

} // namespace hanashi
