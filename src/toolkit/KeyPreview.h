// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <functional>

namespace hanashi {

class Form;

// Shows the window a key before the control with the focus gets it, wherever
// in the window the focus is, so that a key can mean one thing in the whole
// window: a scroll bar or a button with the focus cannot take it first. A key
// the handler uses goes no further; any other goes on as if unseen. A held
// key counts once: its repeats are not shown to the handler.
class KeyPreview : public QObject {
public:
    // Gets Qt's key code (the same for the main row and the keypad) and the
    // modifiers; returns true when it used the key.
    using Handler = std::function<bool(int key, Qt::KeyboardModifiers modifiers)>;

    explicit KeyPreview(Form& window);

    void setHandler(Handler handler) { m_handler = std::move(handler); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Form& m_window;
    Handler m_handler;
};

} // namespace hanashi
