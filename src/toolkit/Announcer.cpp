// SPDX-License-Identifier: MIT
#include "toolkit/Announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace hanashi {

namespace {

class Notification : public QWidget {
public:
    using QWidget::QWidget;
};

class NotificationAccessible : public QAccessibleWidget {
public:
    explicit NotificationAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Notification) {}

    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name ? widget()->accessibleName()
                                         : QAccessibleWidget::text(kind);
    }
};

// A notification adds no meta-object of its own, so Qt asks by QWidget's
// class name.
QAccessibleInterface* notificationInterface(const QString& className, QObject* object) {
    if (className != QLatin1String("QWidget") || !dynamic_cast<Notification*>(object))
        return nullptr;
    return new NotificationAccessible(static_cast<QWidget*>(object));
}

} // namespace

Announcer::Announcer(QWidget& window)
    : m_window(window) {}

void Announcer::announce(const QString& text) {
    if (text.isEmpty() || !QAccessible::isActive())
        return;
    if (!m_notification) {
        static const bool installed = [] {
            QAccessible::installFactory(notificationInterface);
            return true;
        }();
        (void)installed;
        m_notification = new Notification(&m_window);
        m_notification->setGeometry(0, 0, 0, 0);
        m_notification->setAccessibleName(text);
        m_notification->show(); // tells that it shows
        return;
    }
    m_notification->setAccessibleName(text);
    // A screen reader speaks a notification when it shows: this one shows
    // again.
    QAccessibleEvent shown(m_notification.data(), QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

} // namespace hanashi
