// SPDX-License-Identifier: MIT
#include "toolkit/Application.h"

#include "platform/RuntimeError.h"
#include "toolkit/Timer.h"

#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace hanashi {

namespace {

std::function<void()>& shutdownHook() {
    static std::function<void()> hook;
    return hook;
}

} // namespace

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv) {
    // Wayland knows a window by this app id and finds its menu entry and
    // icon by it; the entry is named after the AppStream id, not the command.
    // (X11 desktops go by the window class, which the entry names.)
    setDesktopFileName(QStringLiteral(HANASHI_APP_ID));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const RuntimeError& error) {
        fail(error);
    }
}

void Application::fail(const RuntimeError& error) {
    static bool failing = false;
    if (failing)
        std::_Exit(1);
    failing = true;
    // Nothing may tick while the message is up.
    Timer::haltAll();
    if (auto hook = std::exchange(shutdownHook(), nullptr))
        hook();
    std::fprintf(stderr, "hanashi: %s\n", error.message().toLocal8Bit().constData());
    std::fflush(stderr);
    QMessageBox::critical(nullptr, QStringLiteral("hanashi"), error.message());
    std::_Exit(1);
}

void dispatch(const std::function<void()>& handler) {
    if (!handler)
        return;
    try {
        handler();
    } catch (const RuntimeError& error) {
        Application::fail(error);
    }
}

void Application::setShutdownHook(std::function<void()> hook) {
    shutdownHook() = std::move(hook);
}

} // namespace hanashi
