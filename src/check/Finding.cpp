// SPDX-License-Identifier: MIT
#include "check/Finding.h"

#include <QList>
#include <QStringList>
#include <algorithm>
#include <locale.h>
#include <wchar.h>

namespace hanashi {

QString severityName(Finding::Severity severity) {
    switch (severity) {
    case Finding::Severity::Error:
        return QStringLiteral("error");
    case Finding::Severity::Warning:
        return QStringLiteral("warning");
    case Finding::Severity::Note:
        return QStringLiteral("note");
    }
    return QString();
}

namespace {

QString head(const Finding& finding) {
    QString where = finding.file;
    if (finding.line > 0)
        where += QLatin1Char(':') + QString::number(finding.line);
    if (finding.line > 0 && finding.column > 0)
        where += QLatin1Char(':') + QString::number(finding.column);
    return where + QStringLiteral(": ") + severityName(finding.severity) + QLatin1Char(':');
}

// Terminal columns, as wcwidth() counts them in a UTF-8 locale whatever the
// user's: two for East Asian wide characters, none for combining marks.
int columnsOf(const QString& text) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    const locale_t before = utf8 ? uselocale(utf8) : locale_t(nullptr);
    int columns = 0;
    for (const char32_t c : text.toUcs4())
        columns += std::max(::wcwidth(static_cast<wchar_t>(c)), utf8 ? 0 : 1);
    if (utf8)
        uselocale(before);
    return columns;
}

} // namespace

QString Finding::toWrappedText(int columns) const {
    return wrapped(head(*this), message, columns);
}

QString wrapped(const QString& head, const QString& text, int columns) {
    const QString indent(4, QLatin1Char(' '));
    QString out = head;
    int used = columnsOf(head);
    bool lineHasWord = false;
    // Every space is kept: a quoted line may hold two in a row.
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const int width = columnsOf(word);
        if (lineHasWord && !word.isEmpty() && used + 1 + width > columns) {
            out += QLatin1Char('\n') + indent + word;
            used = indent.size() + width;
            continue;
        }
        out += QLatin1Char(' ') + word;
        used += 1 + width;
        lineHasWord = true;
    }
    return out + QLatin1Char('\n');
}

} // namespace hanashi
