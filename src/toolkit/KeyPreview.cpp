// SPDX-License-Identifier: MIT
#include "toolkit/KeyPreview.h"

#include "toolkit/Form.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace hanashi {

KeyPreview::KeyPreview(Form& window)
    : m_window(window) {
    // Before any widget's own filters and handlers; the filter goes with
    // this object.
    QCoreApplication::instance()->installEventFilter(this);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !m_handler)
        return false;
    // A key goes first to the window's focus widget (or the window), then,
    // while nobody takes it, to each parent in turn: only that first
    // delivery counts, so that a key is seen once.
    QWidget* first = m_window.focusWidget();
    if (watched != (first ? first : &m_window))
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (key->isAutoRepeat())
        return false;
    bool used = false;
    m_window.dispatch([&] { used = m_handler(key->key(), key->modifiers()); });
    return used;
}

} // namespace hanashi
