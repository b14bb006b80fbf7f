// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

namespace hanashi {

// The Japanese UI font at a size in points (fractions kept). Asked for by
// family, so that kanji take their Japanese forms; sizes below one point are
// raised to one, the smallest Qt accepts without complaint.
QFont uiFont(double points);

inline constexpr const char* UiFontFamily = "IPAGothic";

} // namespace hanashi
