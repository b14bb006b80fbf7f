// SPDX-License-Identifier: MIT
#pragma once

#include "platform/RuntimeError.h"

#include <QString>

namespace hanashi {

// The message of the RuntimeError that f throws; empty when it throws none.
template <typename F>
QString errorOf(F&& f) {
    try {
        f();
    } catch (const RuntimeError& error) {
        return error.message();
    }
    return QString();
}

} // namespace hanashi
