// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>
#include <functional>

namespace hanashi {

class RuntimeError;

// The application: the one place where run-time errors are caught. An error
// that reaches the event dispatch stops every timer, runs the shut-down hook
// (the music stops), shows the message in a message box and ends the program
// with status 1.
class Application : public QApplication {
public:
    // Without a display, Qt's platform plugin ends the process with abort()
    // and a page of text. Instead, a machine that has none ends with one line
    // on stderr and status 1, and so does a display that cannot be reached.
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the error and ends the program; never returns.
    [[noreturn]] static void fail(const RuntimeError& error);
    static void setShutdownHook(std::function<void()> hook);
};

// Runs an event handler where control enters the program's code: a run-time
// error it throws is reported and ends the program.
void dispatch(const std::function<void()>& handler);

} // namespace hanashi
