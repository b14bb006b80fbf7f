// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <cstdint>

namespace hanashi {

// A colour value as the game's code writes it: r + 256 * g + 65536 * b.
using Colour = std::int32_t;

constexpr Colour RGB(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}

inline QColor toQColor(Colour c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

} // namespace hanashi
