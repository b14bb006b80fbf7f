// SPDX-License-Identifier: MIT
#include "check/NearMiss.h"

#include "story/Rules.h"

#include <QStringList>
#include <algorithm>

namespace hanashi {

namespace {

// The marker's sign in either width: ">" and the full-width "＞".
bool isAngle(QChar c) {
    return c == u'>' || c == u'\uFF1E';
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\u3000';
}

// A Latin letter of either width, as its ASCII lower case; 0 for any other
// character.
char16_t letterOf(QChar c, bool* fullWidth, bool* capital) {
    char16_t u = c.unicode();
    if (u >= u'\uFF21' && u <= u'\uFF5A' && (u <= u'\uFF3A' || u >= u'\uFF41')) {
        *fullWidth = true;
        u = static_cast<char16_t>(u - 0xFF21 + u'A');
    }
    if (u >= u'A' && u <= u'Z') {
        *capital = true;
        return static_cast<char16_t>(u - u'A' + u'a');
    }
    return u >= u'a' && u <= u'z' ? u : 0;
}

// Whether word is the marker's word with exactly one letter left out.
bool missesOneLetter(const QString& word, const QString& full) {
    if (word.size() + 1 != full.size())
        return false;
    for (qsizetype i = 0; i < full.size(); ++i) {
        if (QString(full).remove(i, 1) == word)
            return true;
    }
    return false;
}

} // namespace

std::vector<NearMiss> nearMisses(QStringView line) {
    std::vector<NearMiss> found;
    // Most lines hold no ">" of either width: one look at each character.
    if (std::none_of(line.begin(), line.end(), isAngle) || line.contains(BranchMarker) ||
        line.contains(RestartMarker))
        return found;
    for (qsizetype at = 0; at < line.size(); ++at) {
        if (!isAngle(line[at]))
            continue;
        bool fullWidth = line[at] != u'>';
        bool capital = false;
        bool spaced = false;
        bool blankBefore = false;
        QString word;
        qsizetype end = at + 1;
        qsizetype next = end;
        for (; next < line.size() && word.size() < 3; ++next) {
            if (isBlank(line[next])) {
                blankBefore = true;
                continue;
            }
            const char16_t letter = letterOf(line[next], &fullWidth, &capital);
            if (!letter)
                break;
            spaced = spaced || blankBefore;
            blankBefore = false;
            word += QChar(letter);
            end = next + 1;
        }
        // A word of two letters counts only when it ends there (">iv", not
        // ">ivory").
        bool capitalAfter = false;
        bool wideAfter = false;
        const bool wordEnds = end >= line.size() || !letterOf(line[end], &wideAfter, &capitalAfter);
        for (const QLatin1StringView marker : {BranchMarker, RestartMarker}) {
            const QString full = QString(marker).mid(1);
            const bool whole = word == full;
            const bool missing = wordEnds && missesOneLetter(word, full);
            if (!whole && !missing)
                continue;
            QStringList how;
            if (fullWidth)
                how << QStringLiteral("full-width characters");
            if (capital)
                how << QStringLiteral("capital letters");
            if (spaced)
                how << QStringLiteral("a space inside");
            if (missing)
                how << QStringLiteral("a letter missing");
            if (!how.isEmpty())
                found.push_back(NearMiss{marker, line.mid(at, end - at).toString(),
                                         how.join(QStringLiteral(" and ")), at});
        }
        at = end - 1;
    }
    return found;
}

} // namespace hanashi
