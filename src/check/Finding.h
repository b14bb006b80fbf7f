// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace hanashi {

// One thing the checker has to say about a game folder: where (a file, and a
// line when it is about one line) and how much it matters.
struct Finding {
    enum class Severity {
        Error,   // stops the game, or the ending can never be reached
        Warning, // the game runs, but not as the author meant
        Note,    // for the author's information
    };

    Severity severity = Severity::Error;
    QString file; // as shown to the author, e.g. "game/dat/opn.dat"
    int line = 0; // 1-based; 0 when the finding is about the whole file
    QString message;
    int column = 0; // 1-based, in characters; 0 when it is about the whole line

    // "file:line:column: severity: message", wrapped as wrapped() does after
    // "severity:".
    QString toWrappedText(int columns = TerminalColumns) const;

    static constexpr int TerminalColumns = 79;
};

// head followed by text, broken at spaces into lines of at most columns
// terminal columns where the words allow, never inside head; the lines after
// the first are indented by four spaces. Lines end in "\n".
QString wrapped(const QString& head, const QString& text, int columns = Finding::TerminalColumns);

QString severityName(Finding::Severity severity);

} // namespace hanashi
