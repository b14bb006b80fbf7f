// SPDX-License-Identifier: MIT
#include "toolkit/Form.h"

#include "platform/RuntimeError.h"
#include "toolkit/Application.h"
#include "toolkit/Timer.h"

#include <QCloseEvent>
#include <QMetaObject>
#include <QResizeEvent>
#include <algorithm>
#include <utility>
#include <xcb/xcb.h>

namespace hanashi {

Form::Form()
    : m_backColor(RGB(240, 240, 240)) {
    setAutoFillBackground(true);
    setBackColor(m_backColor);
    space().setMode(ScaleMode::Twips);
}

void Form::dispatch(const std::function<void()>& handler) {
    if (m_ended || !handler)
        return;
    // Qt's rule: an exception may not pass through its event dispatch or a
    // signal, so it stops here, before control goes back to Qt.
    try {
        handler();
    } catch (const RuntimeError& error) {
        Application::fail(error);
    }
}

void Form::end() {
    m_ended = true;
    for (Timer* timer : m_timers)
        timer->sync();
}

void Form::detach(Timer* timer) {
    m_timers.erase(std::remove(m_timers.begin(), m_timers.end(), timer), m_timers.end());
}

void Form::setScale(double left, double top, double width, double height) {
    changeSpace([&](ScaleSpace& s) { s.setUser(left, top, width, height); });
}

void Form::setBackColor(Colour colour) {
    m_backColor = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, toQColor(colour));
    setPalette(p);
}

void Form::resizeEvent(QResizeEvent*) {
    // The client area the window really has. Under Wayland, once Qt has drawn
    // its own title bar and frame into the size the compositor gave, the
    // event can still carry the size asked for before; the widget's own size
    // is already the one left inside the frame.
    changeSpace([&](ScaleSpace& s) { s.setPixelSize(size()); });
    dispatch([this] { Form_Resize(); });
}

void Form::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // The window and its children are painted in one pass and flushed to
    // the display at its end; a queued call runs after that.
    if (m_onFirstFrame)
        QMetaObject::invokeMethod(
            this,
            [this, onFirstFrame = std::exchange(m_onFirstFrame, nullptr)] {
                dispatch(onFirstFrame);
            },
            Qt::QueuedConnection);
}

bool Form::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    // On X11 a window can be destroyed by any client (a task manager's
    // "kill window"), and Qt then only sees it disappear. Wayland has no
    // such thing: a compositor asks to close.
    if (eventType == "xcb_generic_event_t") {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) == XCB_DESTROY_NOTIFY &&
            reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == winId()) {
            std::int16_t cancel = 0;
            dispatch([&] { Form_Unload(cancel); });
        }
    }
    return QWidget::nativeEvent(eventType, message, result);
}

void Form::closeEvent(QCloseEvent* event) {
    std::int16_t cancel = 0;
    dispatch([&] { Form_Unload(cancel); });
    // The cancel flag is not read: closing cannot be refused.
    event->accept();
}

} // namespace hanashi
