// SPDX-License-Identifier: MIT
#include "story/LineKind.h"

namespace hanashi {

LineKind classifyLine(const QString& line) {
    if (line.contains(QLatin1String(">ive")))
        return LineKind::Branch;
    if (line.contains(QLatin1String(">end")))
        return LineKind::Restart;
    if (line.startsWith(QLatin1Char('*')))
        return LineKind::Question;
    return LineKind::Story;
}

QString withoutFirstCharacter(const QString& line) {
    if (line.isEmpty())
        return QString();
    const qsizetype first = line.at(0).isHighSurrogate() && line.size() > 1 ? 2 : 1;
    return line.mid(first);
}

} // namespace hanashi
