// SPDX-License-Identifier: MIT
#pragma once

#include "story/StoryLabel.h"

#include <cstdint>

namespace hanashi {

// The window's units, the story label's width and the font unit are the
// story's rules (story/StoryLabel.h), which hanashi-check reads too.

// The font sizes in points that follow from the font unit.
struct FontSizes {
    double story;   // the story text
    double answer;  // the two answers, fraction kept
    double score;   // the star bar
    double caption; // the captions of the two bars
};
FontSizes fontSizesFor(std::int16_t fontUnit);

} // namespace hanashi
