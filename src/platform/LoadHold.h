// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace hanashi {

// Holds back the loads that an interpreter starts in the background: the
// game holds them while its window draws its first frame, which on a
// two-core machine they would otherwise slow down. Nothing is held unless
// asked, and a load waits at most Limit.
class LoadHold {
public:
    void hold();
    void release();
    void waitWhileHeld();

    static constexpr std::chrono::milliseconds Limit{1000};

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_held = false;
};

} // namespace hanashi
