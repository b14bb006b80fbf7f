// SPDX-License-Identifier: MIT
#include "check/Finding.h"

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

QString Finding::toText() const {
    QString where = file;
    if (line > 0)
        where += QLatin1Char(':') + QString::number(line);
    if (line > 0 && column > 0)
        where += QLatin1Char(':') + QString::number(column);
    return where + QStringLiteral(": ") + severityName(severity) + QStringLiteral(": ") + message;
}

} // namespace hanashi
