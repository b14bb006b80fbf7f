// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace hanashi {

// The owner of the threads that do the music's slow work in the background:
// loading a tune and letting go of a sound output that takes its time.
// Nothing is detached. The program's end gives them a deadline with
// joinAll(); whatever still runs then ends with the process.
class Workers {
public:
    Workers() = default;
    // Waits for every thread, however long it takes.
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // Runs work on a new thread; false, and work not run, when the system
    // gives no thread.
    bool start(std::function<void()> work);

    // Waits until every thread has finished or the time is up, and joins
    // those that have finished; true when none is left.
    bool joinAll(std::chrono::milliseconds within);

    // What the program's end gives them: the music has stopped by then, and
    // what is left is letting go of a sound server that takes its time.
    static constexpr std::chrono::milliseconds EndOfProgramWait{200};

private:
    struct Worker {
        std::thread thread;
        bool finished = false;
    };
    // Joins the finished ones; with the lock held.
    void reap();

    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::list<Worker> m_workers;
};

} // namespace hanashi
