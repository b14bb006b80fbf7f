// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QString>

class QWidget;

namespace hanashi {

// Has a screen reader read a text out by itself, wherever the keyboard focus
// is. Orca presents text that changes away from the focus, and text in a
// label, not at all; a notification it speaks as soon as it shows. So a
// window announces through a notification of its own, of no size, shown
// again with each text: nothing of it is seen on the screen, and nothing of
// it exists while no assistive technology listens.
class Announcer {
public:
    explicit Announcer(QWidget& window);

    void announce(const QString& text);

private:
    QWidget& m_window;
    QPointer<QWidget> m_notification;
};

} // namespace hanashi
