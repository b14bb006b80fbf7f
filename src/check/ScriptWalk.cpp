// SPDX-License-Identifier: MIT
#include "check/ScriptWalk.h"

#include "platform/LineReader.h"

#include <QStringDecoder>
#include <algorithm>

namespace hanashi {

namespace {

const QString BranchMarker = QStringLiteral(">ive");
const QString RestartMarker = QStringLiteral(">end");

struct Line {
    QString text;
    int number = 0;
    bool badBytes = false;
};

std::vector<Line> readLines(LineReader& reader) {
    std::vector<Line> lines;
    while (!reader.atEnd()) {
        QString text = reader.readLine();
        lines.push_back(Line{std::move(text), reader.lineNumber(), reader.lastLineHadBadBytes()});
    }
    return lines;
}

// Enough of a line for the author to find it.
QString quoted(const QString& text) {
    constexpr qsizetype Shown = 24;
    QString shown = text.trimmed();
    if (shown.size() > Shown)
        shown = shown.left(Shown) + QStringLiteral("…");
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

QString markerIn(const QString& text) {
    return text.contains(BranchMarker) ? BranchMarker : RestartMarker;
}

bool holdsMarker(const QString& text) {
    return text.contains(BranchMarker) || text.contains(RestartMarker);
}

// Bytes that decode cleanly as UTF-8 and are not plain ASCII: most likely a
// script saved as UTF-8 without the byte-order mark that would announce it.
bool looksLikeUtf8(const QByteArray& bytes) {
    bool nonAscii = false;
    for (const char c : bytes)
        nonAscii = nonAscii || static_cast<unsigned char>(c) >= 0x80;
    if (!nonAscii)
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(bytes);
    return !utf8.hasError();
}

class Walker {
public:
    Walker(ScriptWalk& result, const QString& path)
        : m_result(result)
        , m_path(path) {}

    void add(Finding::Severity severity, int line, const QString& message) {
        m_result.findings.push_back(Finding{severity, m_path, line, message});
    }
    void warning(int line, const QString& message) {
        add(Finding::Severity::Warning, line, message);
    }

    void checkQuestion(const Line& question, const Line* answer) {
        ++m_result.questions;
        if (withoutFirstCharacter(question.text).trimmed().isEmpty())
            warning(question.number, QStringLiteral("question line has no text after \"*\": the "
                                                    "good answer shows as an empty box"));
        // The game goes on in both cases, with an empty second answer.
        if (!answer) {
            warning(question.number,
                    QStringLiteral("question line is the last line of the file: it has no answer "
                                   "line, so the second answer is empty"));
            return;
        }
        if (answer->text.isEmpty()) {
            warning(answer->number,
                    QStringLiteral("empty answer line after the question on line %1: the second "
                                   "answer is empty")
                        .arg(question.number));
            return;
        }
        if (!answer->text.startsWith(QLatin1Char('*')))
            warning(answer->number,
                    QStringLiteral("answer line does not begin with \"*\": its first character "
                                   "\"%1\" is dropped")
                        .arg(answer->text.left(answer->text.at(0).isHighSurrogate() ? 2 : 1)));
        if (holdsMarker(answer->text))
            warning(answer->number,
                    QStringLiteral("answer line holds \"%1\": after a question it is answer text, "
                                   "and the story does not leave the file here")
                        .arg(markerIn(answer->text)));
    }

    void checkMarker(const Line& line, LineKind kind) {
        const QString marker = kind == LineKind::Branch ? BranchMarker : RestartMarker;
        const QString what = kind == LineKind::Branch ? QStringLiteral("branch line")
                                                      : QStringLiteral("restart line");
        if (line.text.startsWith(QLatin1Char('*'))) {
            warning(line.number, QStringLiteral("begins with \"*\" but holds \"%1\": it is a %2, "
                                                "not a question, and none of its text is shown")
                                     .arg(marker, what));
            return;
        }
        QString other = line.text;
        other.remove(other.indexOf(marker), marker.size());
        if (!other.trimmed().isEmpty())
            warning(line.number, QStringLiteral("%1 with other text: %2 is never shown (the line "
                                                "shows as an empty line)")
                                     .arg(what, quoted(other)));
    }

    void checkDeadLines(const std::vector<Line>& lines, std::size_t exitIndex) {
        const Line& exit = lines[exitIndex];
        int first = 0;
        int last = 0;
        for (std::size_t i = exitIndex + 1; i < lines.size(); ++i) {
            if (lines[i].text.trimmed().isEmpty())
                continue;
            if (first == 0)
                first = lines[i].number;
            last = lines[i].number;
        }
        if (first == 0)
            return;
        const QString range = first == last ? QStringLiteral("line %1").arg(first)
                                            : QStringLiteral("lines %1 to %2").arg(first).arg(last);
        warning(first, QStringLiteral("%1 never read: the %2 on line %3 always leaves the file")
                           .arg(range, m_result.exitKind == LineKind::Branch
                                           ? QStringLiteral("branch line")
                                           : QStringLiteral("restart line"))
                           .arg(exit.number));
    }

private:
    ScriptWalk& m_result;
    QString m_path;
};

} // namespace

ScriptWalk walkScript(const QByteArray& bytes, const QString& shownPath) {
    ScriptWalk result;
    Walker walker(result, shownPath);
    LineReader reader(bytes);
    const std::vector<Line> lines = readLines(reader);
    result.lineCount = static_cast<int>(lines.size());

    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const LineKind kind = classifyLine(line.text);
        if (kind == LineKind::Branch || kind == LineKind::Restart) {
            walker.checkMarker(line, kind);
            result.exitKind = kind;
            result.exitLine = line.number;
            break;
        }
        if (kind == LineKind::Question) {
            // The answer line is read at once, whatever it holds.
            const Line* answer = i + 1 < lines.size() ? &lines[i + 1] : nullptr;
            walker.checkQuestion(line, answer);
            if (answer)
                ++i;
        }
    }
    if (result.exitKind)
        walker.checkDeadLines(lines, i);

    // Every line, also those never read: they are still text the author wrote.
    std::vector<const Line*> badLines;
    for (const Line& line : lines) {
        if (line.badBytes)
            badLines.push_back(&line);
    }
    const QString encoding =
        reader.isUtf8() ? QStringLiteral("UTF-8") : QStringLiteral("code page 932 (Shift-JIS)");
    if (!badLines.empty() && !reader.isUtf8() && looksLikeUtf8(bytes)) {
        walker.warning(
            badLines.front()->number,
            QStringLiteral("%1 of the %2 lines, the first of them this one, are not valid "
                           "%3 and show \"\uFFFD\": the file looks like UTF-8 without "
                           "a byte-order mark; save it as Shift-JIS, or as UTF-8 with "
                           "the mark")
                .arg(badLines.size())
                .arg(lines.size())
                .arg(encoding));
    } else {
        for (const Line* line : badLines)
            walker.warning(line->number,
                           QStringLiteral("bytes that are not valid %1 show as \"\uFFFD\": %2")
                               .arg(encoding, quoted(line->text)));
    }
    // Keep the findings in line order.
    std::stable_sort(result.findings.begin(), result.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return result;
}

} // namespace hanashi
