// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace hanashi {

// The font size unit for a screen of the given height in 1/1440 inch:
// 3 points for every full 2000 units of height.
std::int16_t fontUnitFor(int screenHeightTwips);

// The font sizes in points that follow from the font unit.
struct FontSizes {
    double story;   // the story text
    double answer;  // the two answers, fraction kept
    double score;   // the star bar
    double caption; // the captions of the two bars
};
FontSizes fontSizesFor(std::int16_t fontUnit);

// The window's logical size: every position is in these units.
inline constexpr double LayoutWidth = 8;
inline constexpr double LayoutHeight = 6;

} // namespace hanashi
