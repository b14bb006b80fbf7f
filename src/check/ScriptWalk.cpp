// SPDX-License-Identifier: MIT
#include "check/ScriptWalk.h"

#include "check/NearMiss.h"
#include "platform/Cp932.h"
#include "platform/LineReader.h"
#include "platform/Utf8.h"
#include "story/Rules.h"
#include "story/ScriptStep.h"
#include "story/StoryLabel.h"

#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <ranges>

namespace hanashi {

namespace {

struct Line {
    QString text;
    int number = 0;
    bool badBytes = false;
};

// The first byte of a line that starts no valid character, and its column.
struct BadByte {
    int column = 0;
    unsigned char byte = 0;
};

BadByte firstBadByte(QByteArrayView line, bool utf8) {
    int column = 1;
    for (qsizetype i = 0; i < line.size(); ++column) {
        const auto lead = static_cast<unsigned char>(line[i]);
        qsizetype length = 0;
        if (utf8) {
            length = utf8CharacterAt(line, i);
        } else {
            length = std::min<qsizetype>(isCp932LeadByte(lead) ? 2 : 1, line.size() - i);
            bool bad = false;
            decodeCp932(line.sliced(i, length), &bad);
            if (bad)
                length = 0;
        }
        if (length == 0)
            return BadByte{column, lead};
        i += length;
    }
    return BadByte{};
}

// Enough of a line for the author to find it.
QString quoted(const QString& text) {
    constexpr qsizetype Shown = 24;
    QString shown = text.trimmed();
    if (shown.size() > Shown)
        shown = shown.left(Shown) + QStringLiteral("…");
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

// The screens most players have, as wide as the window that covers them.
struct Screen {
    int width;
    int height;
};
constexpr Screen CommonScreens[] = {{1366, 768}, {1920, 1080}, {1280, 1024}, {2560, 1440}};

// "a, b and c".
QString listed(const QStringList& items) {
    if (items.size() < 2)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           items.back();
}

QLatin1StringView markerOf(LineKind kind) {
    return kind == LineKind::Branch ? BranchMarker : RestartMarker;
}

// Whether bytes are valid UTF-8, and whether any of them is not ASCII. A
// script whose every line is valid UTF-8 and not all ASCII was most likely
// saved as UTF-8 without the byte-order mark that would announce it. Lines
// can be judged one by one: CR and LF never occur inside a UTF-8 character.
struct Utf8Look {
    bool valid = true;
    bool nonAscii = false;

    void add(const QByteArray& line) {
        bool wide = false;
        for (const char c : line)
            wide = wide || static_cast<unsigned char>(c) >= 0x80;
        if (!wide || !valid)
            return;
        nonAscii = true;
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded = utf8(line);
        valid = !utf8.hasError();
    }
    bool likely() const { return valid && nonAscii; }
};

class Walker {
public:
    Walker(ScriptWalk& result, const QString& path)
        : m_result(result)
        , m_path(path) {}

    void add(Finding::Severity severity, int line, const QString& message, int column = 0) {
        if (static_cast<int>(m_result.findings.size()) >= MaxFindingsPerScript - 1) {
            ++m_untold;
            return;
        }
        m_result.findings.push_back(Finding{severity, m_path, line, message, column});
    }

    // The last finding, for those that did not fit.
    void tellUntold() {
        if (m_untold > 0)
            m_result.findings.push_back(Finding{
                Finding::Severity::Warning, m_path, 0,
                QStringLiteral("%1 more findings in this file are not shown").arg(m_untold)});
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
        if (!answer->text.startsWith(QuestionMarker))
            warning(answer->number,
                    QStringLiteral("answer line does not begin with \"*\": its first character "
                                   "\"%1\" is dropped")
                        .arg(firstCharacter(answer->text)));
        // Read as a line of its own, it would have left the file.
        if (const LineKind kind = classifyLine(answer->text); leavesTheFile(kind))
            warning(answer->number,
                    QStringLiteral("answer line holds \"%1\": after a question it is answer text, "
                                   "and the story does not leave the file here")
                        .arg(markerOf(kind)));
    }

    void checkMarker(const Line& line, LineKind kind) {
        const QLatin1StringView marker = markerOf(kind);
        const QString what = kind == LineKind::Branch ? QStringLiteral("branch line")
                                                      : QStringLiteral("restart line");
        if (line.text.startsWith(QuestionMarker)) {
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

    // Text that the author most likely meant as a marker, which the game
    // shows instead.
    void checkNearMisses(const QString& text, int lineNumber) {
        for (const NearMiss& miss : nearMisses(text)) {
            const bool branch = miss.marker == BranchMarker;
            if (branch && !m_result.nearBranchLine)
                m_result.nearBranchLine = lineNumber;
            int column = 1;
            for (qsizetype i = 0; i < miss.position; ++i)
                column += !text[i].isLowSurrogate();
            add(Finding::Severity::Warning, lineNumber,
                QStringLiteral("\"%1\" is not the %2 marker \"%3\" (%4): the game shows it as "
                               "text and %5")
                    .arg(miss.text, branch ? QStringLiteral("branch") : QStringLiteral("restart"),
                         miss.marker, miss.how,
                         branch ? QStringLiteral("does not branch here")
                                : QStringLiteral("does not go back to the opening here")),
                column);
        }
    }

    // A line wider than one row of the story label wraps, and pushes the
    // story's older lines up twice as fast. An answer, once chosen, is shown
    // there too.
    // An answer is its line without the first character.
    void checkWidth(const QString& line, int lineNumber, bool answer) {
        // No character is wider than an em, so a text of no more UTF-16
        // units than the narrowest row holds ems fits on every screen.
        if (line.size() - (answer ? 1 : 0) <= m_narrowestRow)
            return;
        const QString text = answer ? withoutFirstCharacter(line) : line;
        const double width = lineWidthEm(text);
        if (width <= m_narrowestRow)
            return;
        QStringList screens;
        QStringList rooms;
        for (const Screen& screen : CommonScreens) {
            const double room = storyRowEm(screen.width, screen.height);
            if (width <= room)
                continue;
            screens << QStringLiteral("%1x%2").arg(screen.width).arg(screen.height);
            rooms << QString::number(std::floor(room * 2) / 2);
        }
        if (screens.isEmpty())
            return;
        if (m_wideLines++ >= NamedWideLines) {
            m_lastWideLine = lineNumber;
            return;
        }
        warning(lineNumber,
                QStringLiteral("%1 is %2 full-width characters wide and%3 wraps in the story text "
                               "on %4 (a row holds %5 there): %6")
                    .arg(answer ? QStringLiteral("answer") : QStringLiteral("line"))
                    .arg(width)
                    .arg(answer ? QStringLiteral(", once chosen,") : QString())
                    .arg(listed(screens), listed(rooms), quoted(text)));
    }

    void tellWideLinesNotNamed() {
        if (m_wideLines > NamedWideLines)
            warning(m_lastWideLine,
                    QStringLiteral("%1 more lines up to this one are too wide for the story text "
                                   "on one of the screens named above")
                        .arg(m_wideLines - NamedWideLines));
    }

    // The lines after the exit are never read; those with text are worth
    // a word, as the author meant them to be read.
    void deadLines(int exitLine, int first, int last) {
        if (first == 0)
            return;
        const QString range = first == last ? QStringLiteral("line %1").arg(first)
                                            : QStringLiteral("lines %1 to %2").arg(first).arg(last);
        warning(first, QStringLiteral("%1 never read: the %2 on line %3 always leaves the file")
                           .arg(range, m_result.exitKind == LineKind::Branch
                                           ? QStringLiteral("branch line")
                                           : QStringLiteral("restart line"))
                           .arg(exitLine));
    }

private:
    static constexpr int NamedWideLines = 20;

    ScriptWalk& m_result;
    QString m_path;
    int m_untold = 0;
    int m_wideLines = 0;
    int m_lastWideLine = 0;
    // What fits on every common screen needs no closer look.
    double m_narrowestRow =
        std::ranges::min(CommonScreens | std::views::transform([](const Screen& screen) {
                             return storyRowEm(screen.width, screen.height);
                         }));
};

// The script's lines as the game's reader takes them, each one also handed
// to look() with its number, as it is read.
class WalkedLines final : public ScriptLines {
public:
    WalkedLines(LineReader& reader, std::function<void(const Line&)> look)
        : m_reader(reader)
        , m_look(std::move(look)) {}

    bool atEnd() override { return m_reader.atEnd(); }
    QString readLine() override {
        QString text = m_reader.readLine();
        m_last = Line{text, m_reader.lineNumber(), m_reader.lastLineHadBadBytes()};
        m_look(m_last);
        return text;
    }
    // The line read last.
    const Line& last() const { return m_last; }

private:
    LineReader& m_reader;
    std::function<void(const Line&)> m_look;
    Line m_last;
};

} // namespace

ScriptWalk walkScript(LineReader& reader, const QString& shownPath) {
    ScriptWalk result;
    Walker walker(result, shownPath);
    Utf8Look utf8;
    // Lines with bytes that are not valid: the first few are named, the rest
    // counted, and all of them become one hint if the file looks like UTF-8.
    constexpr int NamedBadLines = 20;
    std::vector<std::pair<Line, BadByte>> badLines;
    int badCount = 0;
    int cutFirst = 0;
    int cutCount = 0;
    int deadFirst = 0;
    int deadLast = 0;
    const auto look = [&](const Line& line) {
        ++result.lineCount;
        utf8.add(reader.lastLineBytes());
        if (reader.lastLineWasCut() && cutCount++ == 0)
            cutFirst = line.number;
        if (line.badBytes && badCount++ < NamedBadLines)
            badLines.emplace_back(line, firstBadByte(reader.lastLineBytes(), reader.isUtf8()));
    };

    // The game's own steps through the script, up to the line that leaves it;
    // past that, every line is still read and looked at.
    WalkedLines lines(reader, look);
    while (!lines.atEnd()) {
        if (result.exitKind) {
            const QString text = lines.readLine();
            const Line& line = lines.last();
            // Every line, also those never read by the game: they are still
            // text the author wrote.
            result.branchLines += classifyLine(text) == LineKind::Branch;
            if (!text.trimmed().isEmpty()) {
                deadFirst = deadFirst ? deadFirst : line.number;
                deadLast = line.number;
            }
            continue;
        }
        const ScriptStep step = readStep(lines);
        const Line line = lines.last();
        walker.checkNearMisses(line.text, line.number);
        if (leavesTheFile(step.kind)) {
            result.branchLines += step.kind == LineKind::Branch;
            walker.checkMarker(line, step.kind);
            result.exitKind = step.kind;
            result.exitLine = line.number;
        } else if (step.kind == LineKind::Question) {
            walker.checkWidth(line.text, line.number, true);
            if (lines.atEnd()) {
                walker.checkQuestion(line, nullptr);
                continue;
            }
            readAnswerLine(lines);
            const Line answer = lines.last();
            walker.checkQuestion(line, &answer);
            walker.checkNearMisses(answer.text, answer.number);
            walker.checkWidth(answer.text, answer.number, true);
        } else {
            walker.checkWidth(line.text, line.number, false);
        }
    }
    walker.tellWideLinesNotNamed();
    if (result.exitKind)
        walker.deadLines(result.exitLine, deadFirst, deadLast);
    if (cutCount > 0)
        walker.warning(cutFirst,
                       QStringLiteral("%1 longer than %2 bytes: only the start of %3 is read")
                           .arg(cutCount == 1 ? QStringLiteral("a line")
                                              : QStringLiteral("%1 lines, the first of them "
                                                               "this one, are")
                                                    .arg(cutCount))
                           .arg(LineReader::MaxLineBytes)
                           .arg(cutCount == 1 ? QStringLiteral("it") : QStringLiteral("each")));

    const QString encoding =
        reader.isUtf8() ? QStringLiteral("UTF-8") : QStringLiteral("code page 932 (Shift-JIS)");
    if (badCount > 0 && !reader.isUtf8() && utf8.likely()) {
        walker.warning(
            badLines.front().first.number,
            QStringLiteral("%1 of the %2 lines, the first of them this one, are not valid "
                           "%3 and show \"\uFFFD\": the file looks like UTF-8 without "
                           "a byte-order mark; save it as Shift-JIS, or as UTF-8 with "
                           "the mark")
                .arg(badCount)
                .arg(result.lineCount)
                .arg(encoding));
    } else {
        for (const auto& [line, bad] : badLines)
            walker.add(Finding::Severity::Warning, line.number,
                       QStringLiteral("bytes that are not valid %1 show as \"\uFFFD\", the first "
                                      "of them 0x%2: %3")
                           .arg(encoding)
                           .arg(bad.byte, 2, 16, QLatin1Char('0'))
                           .arg(quoted(line.text)),
                       bad.column);
        if (badCount > NamedBadLines)
            walker.warning(badLines.back().first.number,
                           QStringLiteral("%1 more lines after this one hold bytes that are not "
                                          "valid %2")
                               .arg(badCount - NamedBadLines)
                               .arg(encoding));
    }
    // Keep the findings in line order, the count of those untold last.
    std::stable_sort(result.findings.begin(), result.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    walker.tellUntold();
    return result;
}

} // namespace hanashi
