// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>
#include <functional>

namespace hanashi {

class RuntimeError;

// The application: it opens the display, and it ends the program on a
// run-time error, which a window's dispatch hands it.
class Application : public QApplication {
public:
    // Without a display, Qt's platform plugin ends the process with abort()
    // and a page of text. Instead, a machine that has none ends with one line
    // on stderr and status 1, and so does a display that cannot be reached.
    Application(int& argc, char** argv);

    // Ends every window (nothing of the program runs again), runs the
    // shut-down hook (the music stops), shows the message in a message box
    // and ends the program with status 1. Never returns.
    [[noreturn]] static void fail(const RuntimeError& error);
    static void setShutdownHook(std::function<void()> hook);
};

} // namespace hanashi
