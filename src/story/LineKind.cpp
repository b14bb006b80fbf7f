// SPDX-License-Identifier: MIT
#include "story/LineKind.h"

#include "story/Rules.h"

namespace hanashi {

LineKind classifyLine(const QString& line) {
    if (line.contains(BranchMarker))
        return LineKind::Branch;
    if (line.contains(RestartMarker))
        return LineKind::Restart;
    if (line.startsWith(QuestionMarker))
        return LineKind::Question;
    return LineKind::Story;
}

namespace {

qsizetype firstCharacterSize(const QString& line) {
    if (line.isEmpty())
        return 0;
    return line.at(0).isHighSurrogate() && line.size() > 1 ? 2 : 1;
}

} // namespace

QString firstCharacter(const QString& line) {
    return line.left(firstCharacterSize(line));
}

QString withoutFirstCharacter(const QString& line) {
    return line.mid(firstCharacterSize(line));
}

} // namespace hanashi
