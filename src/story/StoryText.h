// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <array>

namespace hanashi {

// The newest 21 story lines, index 20 the newest.
using LineHistory = std::array<QString, 21>;

// Drops the oldest line and puts line in as the newest.
void pushLine(LineHistory& history, const QString& line);

// The story label's caption: CR LF, then the 21 lines joined by CR LF, so 22
// text lines with the first always empty. A line longer than MaxShownChars is
// cut there: the label clips it anyway, and laying out megabytes of text would
// freeze the window.
QString storyCaption(const LineHistory& history);

inline constexpr qsizetype MaxShownChars = 1000;

} // namespace hanashi
