// SPDX-License-Identifier: MIT
#pragma once

#include "story/LineKind.h"

#include <QLatin1StringView>
#include <QString>

namespace hanashi {

// The lines of the one open script, read a line at a time from its top.
class ScriptLines {
public:
    virtual ~ScriptLines() = default;
    virtual bool atEnd() = 0;
    virtual QString readLine() = 0;
};

// What the reader does next in a script: the one rule the story follows and
// hanashi-check walks scripts by. At the end of the file the story starts
// over. Otherwise the reader reads a line, which by its kind is shown, asks a
// question, or leaves the file for the script it opens. A question's answer
// line is the next line, read at once whatever it holds: never shown as a
// line, never a marker.
struct ScriptStep {
    LineKind kind = LineKind::Story;
    QString line;
};

// The next line and what it does; the lines must not be at their end.
ScriptStep readStep(ScriptLines& lines);

// The answer line after a question; empty where the file ends with the
// question (its second answer is then empty, and the next step finds the
// end).
QString readAnswerLine(ScriptLines& lines);

// Whether the line leaves the file: a branch or a restart line.
bool leavesTheFile(LineKind kind);

// The script that a branch or restart line opens, at the score it is reached
// with: a branch opens the ending at EndingScore or more.
QLatin1StringView scriptOpenedBy(LineKind kind, int score);

} // namespace hanashi
