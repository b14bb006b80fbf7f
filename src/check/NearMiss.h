// SPDX-License-Identifier: MIT
#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringView>
#include <vector>

namespace hanashi {

// Text an author most likely meant as the branch or restart marker, which the
// game reads as story text because it matches a marker only exactly: the
// full-width ＞ or letters, capital letters, spaces inside, or one of the
// three letters missing, after a ">" of either width.
struct NearMiss {
    QLatin1StringView marker; // the marker it resembles
    QString text;             // as written
    QString how;              // how it differs: "capital letters and a space inside"
    qsizetype position = 0;   // where it starts in the line, in UTF-16 units
};

// The near misses in a line, in the order they stand. A line that holds a
// marker itself is a marker line and has none worth naming.
std::vector<NearMiss> nearMisses(QStringView line);

} // namespace hanashi
