// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/Announcer.h"
#include "toolkit/Colour.h"
#include "toolkit/Container.h"

#include <QWidget>
#include <functional>
#include <vector>

namespace hanashi {

class Timer;

// A top-level window whose client area is a container with a scale of its
// own: 1/1440 inch until the code sets another. Subclasses get the load,
// resize and unload events as virtual handlers.
class Form : public QWidget, public Container {
public:
    Form();

    QWidget* hostWidget() override { return this; }
    Form& form() override { return *this; }

    // Runs a handler of this window where control enters the program's code:
    // every event and tick of the window's controls comes through here, and
    // start-up too. It is the one place that catches a run-time
    // error: the error is reported and the program ends (Application::fail).
    // Once the window has ended, it runs nothing.
    void dispatch(const std::function<void()>& handler);

    // Ends the window for good: its timers stop, and from now on dispatch
    // drops every handler, so no tick, click, key or resize reaches the
    // program's code again, not even while an error's message box runs its
    // own event loop.
    void end();
    bool hasEnded() const { return m_ended; }

    void setScale(double left, double top, double width, double height);
    Colour backColor() const { return m_backColor; }

    // Called once, on the GUI thread, when the window's first frame has been
    // painted and handed to the display.
    void setOnFirstFrame(std::function<void()> onFirstFrame) {
        m_onFirstFrame = std::move(onFirstFrame);
    }
    void setBackColor(Colour colour);

    // Has a screen reader read the text out now, by itself, wherever the
    // focus is (Announcer). Does nothing while no assistive technology
    // listens.
    void announce(const QString& text) { m_announcer.announce(text); }

protected:
    // Runs on every change of the client size, and when first shown.
    virtual void Form_Resize() = 0;
    // Runs when the window is being closed. The window cannot refuse.
    virtual void Form_Unload(std::int16_t& cancel) = 0;

    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Another program can destroy the window outright (no close request):
    // that ends the program as a close would.
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    friend class Timer;
    void attach(Timer* timer) { m_timers.push_back(timer); }
    void detach(Timer* timer);

    Colour m_backColor;
    std::function<void()> m_onFirstFrame;
    std::vector<Timer*> m_timers;
    bool m_ended = false;
    Announcer m_announcer{*this};
};

} // namespace hanashi
