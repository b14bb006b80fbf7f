// SPDX-License-Identifier: MIT
#include "toolkit/Application.h"

#include "platform/RuntimeError.h"
#include "toolkit/Form.h"

#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace hanashi {

namespace {

std::function<void()>& shutdownHook() {
    static std::function<void()> hook;
    return hook;
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Qt's messages while the platform plugin starts: kept back, so that a
// failed start says one line, and let through once the window system is up.
struct StartMessages {
    bool starting = true;
    std::vector<std::pair<QtMsgType, QString>> held;
    QtMessageHandler previous = nullptr;
};

StartMessages& startMessages() {
    static StartMessages messages;
    return messages;
}

void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    StartMessages& messages = startMessages();
    if (type == QtFatalMsg) {
        // Qt aborts after this handler returns; a window system that fails
        // is no crash, so the program ends here instead.
        const QString cause = messages.held.empty() ? text : messages.held.front().second;
        std::fprintf(stderr,
                     "hanashi: cannot open a window on the display (DISPLAY=\"%s\", "
                     "WAYLAND_DISPLAY=\"%s\"): %s\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "",
                     std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "",
                     cause.section(QLatin1Char('\n'), 0, 0).toLocal8Bit().constData());
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (messages.starting) {
        messages.held.emplace_back(type, text);
        return;
    }
    if (messages.previous)
        messages.previous(type, context, text);
}

// Runs before QApplication's constructor, which needs the display.
int& checkedArgc(int& argc) {
    if (!isSet("QT_QPA_PLATFORM") && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
        std::fputs("hanashi: no display: the game needs a graphical session, and neither "
                   "DISPLAY nor WAYLAND_DISPLAY is set\n",
                   stderr);
        std::exit(1);
    }
    startMessages().previous = qInstallMessageHandler(onQtMessage);
    return argc;
}

} // namespace

Application::Application(int& argc, char** argv)
    : QApplication(checkedArgc(argc), argv) {
    StartMessages& messages = startMessages();
    messages.starting = false;
    for (const auto& [type, text] : std::exchange(messages.held, {}))
        onQtMessage(type, QMessageLogContext(), text);
    // Wayland knows a window by this app id and finds its menu entry and
    // icon by it; the entry is named after the AppStream id, not the command.
    // (X11 desktops go by the window class, which the entry names.)
    setDesktopFileName(QStringLiteral(HANASHI_APP_ID));
}

void Application::fail(const RuntimeError& error) {
    // The message box runs an event loop of its own; with every window
    // ended, none of its events reaches the program's code.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* form = dynamic_cast<Form*>(window))
            form->end();
    if (auto hook = std::exchange(shutdownHook(), nullptr))
        hook();
    std::fprintf(stderr, "hanashi: %s\n", error.message().toLocal8Bit().constData());
    std::fflush(stderr);
    QMessageBox::critical(nullptr, QStringLiteral("hanashi"), error.message());
    std::_Exit(1);
}

void Application::setShutdownHook(std::function<void()> hook) {
    shutdownHook() = std::move(hook);
}

} // namespace hanashi
