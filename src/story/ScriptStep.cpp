// SPDX-License-Identifier: MIT
#include "story/ScriptStep.h"

#include "story/Rules.h"

namespace hanashi {

ScriptStep readStep(ScriptLines& lines) {
    ScriptStep step;
    step.line = lines.readLine();
    step.kind = classifyLine(step.line);
    return step;
}

QString readAnswerLine(ScriptLines& lines) {
    return lines.atEnd() ? QString() : lines.readLine();
}

bool leavesTheFile(LineKind kind) {
    return kind == LineKind::Branch || kind == LineKind::Restart;
}

QLatin1StringView scriptOpenedBy(LineKind kind, int score) {
    return kind == LineKind::Branch && score >= EndingScore ? EndingScript : OpeningScript;
}

} // namespace hanashi
