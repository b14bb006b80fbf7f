// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

namespace hanashi {

// Runs work on a thread of the lowest priority and waits for it; on the
// calling thread when no thread can be had. Building a synthesiser and
// reading a SoundFont take enough CPU to hold up the window's first frame on
// a two-core machine (bench/RESULTS.md). On Linux the nice value belongs to
// the thread (setpriority with a thread id) and threads inherit it, so
// whatever must not be starved (an audio output's thread) is started
// afterwards, on the calling thread.
void runAtLowPriority(const std::function<void()>& work);

} // namespace hanashi
