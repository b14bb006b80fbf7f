// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace hanashi {

// What this process holds, as /proc/self tells it: for tests that check
// that something let go of all it took, and for waiting on what other
// threads do in their own time.
namespace OwnProcess {

// The threads running now.
int threads();
// Where each open descriptor leads: a path, or "socket:[...]", "pipe:[...]".
QStringList openFiles();
// Whether some descriptor leads to path (both resolved to the real file).
bool holdsOpen(const QString& path);
// The descriptors that lead into folder (resolved to the real one).
std::vector<int> descriptorsIn(const QString& folder);
// Where the descriptor leads, as openFiles() says it; empty if it is closed.
QString target(int descriptor);

// How many threads run and descriptors are open at one moment.
struct Census {
    int threads = 0;
    qsizetype files = 0;
};
Census census();
// Waits until the process holds no more threads and descriptors than it
// did at before; if it still does after some seconds, says what it holds.
::testing::AssertionResult holdsNoMoreThan(const Census& before);

// Asks done again and again until it holds, for at most limit; whether it
// came to hold. For waiting on other threads, never for measuring time.
bool waitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(20));

} // namespace OwnProcess

} // namespace hanashi
