// SPDX-License-Identifier: MIT
#include "toolkit/Timer.h"

#include "toolkit/Application.h"

namespace hanashi {

namespace {

bool s_halted = false;

} // namespace

Timer::Timer(bool enabled, int interval)
    : m_enabled(enabled)
    , m_interval(interval) {
    // Coarse timers may be 5 % late; the question countdown steps in 1 ms.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { fire(); });
    sync();
}

void Timer::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    sync();
}

void Timer::setInterval(int milliseconds) {
    if (milliseconds == m_interval)
        return;
    m_interval = milliseconds;
    sync();
}

void Timer::fire() {
    if (!s_halted)
        dispatch(m_handler);
}

void Timer::sync() {
    if (s_halted || !m_enabled || m_interval <= 0) {
        m_timer.stop();
        return;
    }
    // QTimer::start restarts the countdown, also with a new interval.
    if (!m_timer.isActive() || m_timer.interval() != m_interval)
        m_timer.start(m_interval);
}

void Timer::haltAll() {
    s_halted = true;
}

void Timer::resumeAllForTests() {
    s_halted = false;
}

bool Timer::halted() {
    return s_halted;
}

} // namespace hanashi
