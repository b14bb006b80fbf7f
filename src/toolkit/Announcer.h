// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QString>

class QWidget;

namespace hanashi {

// Has a screen reader read a text out by itself, wherever the keyboard focus
// is. Orca says nothing of text that changes away from the focus, nor of any
// change to a label's text, but it speaks a notification as soon as it
// shows. So a window announces through a notification of its own, of no
// size, shown again with each text: nothing of it is seen on the screen, and
// nothing of it exists while no assistive technology listens.
class Announcer {
public:
    explicit Announcer(QWidget& window);

    void announce(const QString& text);

private:
    QWidget& m_window;
    QPointer<QWidget> m_notification;
};

} // namespace hanashi
