// SPDX-License-Identifier: MIT
#include "toolkit/Timer.h"

#include "toolkit/Form.h"

#include <algorithm>
#include <climits>

namespace hanashi {

Timer::Timer(Form& form, bool enabled, int interval)
    : m_form(form)
    , m_enabled(enabled)
    , m_interval(interval) {
    form.attach(this);
    // Coarse timers may be 5 % late; the question countdown steps in 1 ms.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { fire(); });
    sync();
}

Timer::~Timer() {
    m_form.detach(this);
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
    if (m_sleeping)
        wake();
    m_form.dispatch(m_handler);
}

void Timer::sleepFor(std::chrono::milliseconds span) {
    if (m_form.hasEnded() || !m_enabled || m_interval <= 0 || span.count() <= m_interval)
        return;
    m_sleeping = true;
    if (span == std::chrono::milliseconds::max())
        m_timer.stop();
    else
        m_timer.start(
            static_cast<int>(std::min<std::chrono::milliseconds::rep>(span.count(), INT_MAX)));
}

void Timer::wake() {
    if (!m_sleeping)
        return;
    m_timer.stop();
    sync();
}

void Timer::sync() {
    m_sleeping = false;
    if (m_form.hasEnded() || !m_enabled || m_interval <= 0) {
        m_timer.stop();
        return;
    }
    // QTimer::start restarts the countdown, also with a new interval.
    if (!m_timer.isActive() || m_timer.interval() != m_interval)
        m_timer.start(m_interval);
}

} // namespace hanashi
