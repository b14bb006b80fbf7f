// SPDX-License-Identifier: MIT
#pragma once

#include "story/StoryText.h"

#include <QString>
#include <cstdint>

namespace hanashi {

// The window's state that the story reads and writes.
struct StoryState {
    std::int16_t ScriptFileNo = 0;
    QString CurrentLine;
    // The newest lines shown, oldest first.
    LineHistory shownLines;
    std::int16_t Score = 0;
};

} // namespace hanashi
