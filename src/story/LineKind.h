// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace hanashi {

// What a script line does, decided in this order: a line holding ">ive"
// anywhere branches, one holding ">end" restarts, one starting with the ASCII
// "*" asks a question, and every other line, the empty one too, is story.
enum class LineKind { Branch, Restart, Question, Story };

LineKind classifyLine(const QString& line);

// The line's first character, whole; empty text gives empty text.
QString firstCharacter(const QString& line);

// The line without its first character (a whole character, also where it
// takes two UTF-16 units); empty text stays empty.
QString withoutFirstCharacter(const QString& line);

} // namespace hanashi
