// SPDX-License-Identifier: MIT
#pragma once

#include "check/Finding.h"

#include <limits>

namespace hanashi {

// A finding as hanashi-check prints it, on one line however long it is.
inline QString printed(const Finding& finding) {
    return finding.toWrappedText(std::numeric_limits<int>::max()).chopped(1);
}

} // namespace hanashi
