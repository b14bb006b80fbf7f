// SPDX-License-Identifier: MIT
#pragma once

#include <QTimer>
#include <chrono>
#include <functional>

namespace hanashi {

class Form;

// A timer that fires only while it is enabled with an interval above 0 (a bare
// QTimer fires continuously at 0 ms and calls itself active when negative).
// Changing the interval of a running timer keeps it running with the new
// interval, counted from the change. Ticks come one at a time on the GUI
// thread; missed ticks are not made up. It belongs to a window: its ticks run
// through the window's dispatch, and it stops for good when the window ends.
class Timer {
public:
    explicit Timer(Form& form, bool enabled = false, int interval = 0);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Its two properties read back as they were set, as every control's do.
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int interval() const { return m_interval; }
    void setInterval(int milliseconds);

    // Whether ticks are really being delivered, as QTimer::isActive tells:
    // being enabled does not say it (an interval of 0, an ended window, a
    // sleep until woken).
    bool isTicking() const { return m_timer.isActive(); }

    void setHandler(std::function<void()> handler) { m_handler = std::move(handler); }
    // Runs the tick handler as a tick would: through the window's dispatch.
    void fire();

    // Lets the next tick come span from now instead of one interval, for a
    // handler that knows its ticks until then would do nothing: each tick is
    // a wake-up of the whole program. The ticks after it come at the
    // interval again. A span of milliseconds::max() waits for wake().
    void sleepFor(std::chrono::milliseconds span);
    // Ends a sleep: the next tick comes one interval from now.
    void wake();
    // What the running countdown was started with, in ms: the interval, or
    // the span of a sleep; the timer's own state, as QTimer::interval tells.
    int currentWait() const { return m_timer.interval(); }

private:
    friend class Form;
    // Starts or stops the countdown as the window, the enabled flag and the
    // interval say.
    void sync();

    Form& m_form;
    QTimer m_timer;
    std::function<void()> m_handler;
    bool m_enabled = false;
    int m_interval = 0;
    bool m_sleeping = false;
};

} // namespace hanashi
