// SPDX-License-Identifier: MIT
#include "layout/LayoutRules.h"

#include <cmath>

namespace hanashi {

FontSizes fontSizesFor(std::int16_t fontUnit) {
    return FontSizes{static_cast<double>(fontUnit), fontUnit * 1.5, std::floor(fontUnit * 0.2),
                     std::floor(fontUnit * 0.7)};
}

} // namespace hanashi
