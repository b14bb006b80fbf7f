// SPDX-License-Identifier: MIT
#include "platform/LowPriority.h"

#include <sys/resource.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace hanashi {

void runAtLowPriority(const std::function<void()>& work) {
    try {
        std::thread([&work] {
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
            work();
        }).join();
    } catch (const std::system_error&) {
        work();
    }
}

} // namespace hanashi
