// SPDX-License-Identifier: MIT
#pragma once

#include "check/Finding.h"
#include "story/LineKind.h"

#include <QString>
#include <optional>
#include <vector>

namespace hanashi {

// A script read the way the game reads it: line by line from the top, the
// line after a question taken as its answer, and nothing after the first
// branch or restart line, which always leaves the file.
struct ScriptWalk {
    std::vector<Finding> findings;
    int lineCount = 0;
    // The branch or restart line that leaves the file, if the reader meets one
    // before the end of the file.
    std::optional<LineKind> exitKind;
    int exitLine = 0;
    // Questions asked before the exit (or the end of the file): each is a
    // chance to gain points on one pass through the file.
    int questions = 0;
    // Lines that are branch lines by their own text, read or not (an answer
    // line is answer text whatever it holds).
    int branchLines = 0;
    // The first line read that comes close to a branch line without being
    // one; 0 if none does.
    int nearBranchLine = 0;
};

class LineReader;

// shownPath names the file in the findings. The reader is read to its end,
// a line at a time, so that a file of any size is walked in bounded memory:
// the findings are capped too. Throws RuntimeError when reading fails.
ScriptWalk walkScript(LineReader& reader, const QString& shownPath);

// The most findings one script gives; the rest are counted in a last one.
constexpr int MaxFindingsPerScript = 100;

} // namespace hanashi
