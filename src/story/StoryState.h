// SPDX-License-Identifier: MIT
#pragma once

#include "story/StoryText.h"

#include <QString>
#include <cstdint>

namespace hanashi {

// The window's state that the story reads and writes.
struct StoryState {
    QString DataDir;
    std::int16_t ScriptFileNo = 0;
    QString CurrentLine;
    hanashi::LineHistory LineHistory;
    std::int16_t Score = 0;
};

} // namespace hanashi
