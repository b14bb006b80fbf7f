// SPDX-License-Identifier: MIT
#include "story/StoryText.h"

#include <algorithm>

namespace hanashi {

void pushLine(LineHistory& history, const QString& line) {
    std::move(history.begin() + 1, history.end(), history.begin());
    history.back() = line;
}

QString storyCaption(const LineHistory& history) {
    QString caption;
    for (const QString& line : history) {
        caption += QLatin1String("\r\n");
        caption += line.left(MaxShownChars);
    }
    return caption;
}

} // namespace hanashi
