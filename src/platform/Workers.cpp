// SPDX-License-Identifier: MIT
#include "platform/Workers.h"

#include <system_error>

namespace hanashi {

Workers::~Workers() {
    std::unique_lock lock(m_mutex);
    m_finished.wait(lock, [this] {
        reap();
        return m_workers.empty();
    });
}

bool Workers::start(std::function<void()> work) {
    const std::lock_guard lock(m_mutex);
    reap();
    Worker& worker = m_workers.emplace_back();
    try {
        worker.thread = std::thread([this, &worker, work = std::move(work)] {
            work();
            const std::lock_guard done(m_mutex);
            worker.finished = true;
            m_finished.notify_all();
        });
    } catch (const std::system_error&) {
        m_workers.pop_back();
        return false;
    }
    return true;
}

bool Workers::joinAll(std::chrono::milliseconds within) {
    std::unique_lock lock(m_mutex);
    return m_finished.wait_for(lock, within, [this] {
        reap();
        return m_workers.empty();
    });
}

void Workers::reap() {
    for (auto worker = m_workers.begin(); worker != m_workers.end();) {
        if (!worker->finished) {
            ++worker;
            continue;
        }
        // It has left its work and only returns from the thread function.
        worker->thread.join();
        worker = m_workers.erase(worker);
    }
}

} // namespace hanashi
