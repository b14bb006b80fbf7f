// SPDX-License-Identifier: MIT
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <gtest/gtest.h>

namespace hanashi::TestFiles {

QByteArray script(const QStringList& lines) {
    // ICU's Shift_JIS is the code page 932 mapping.
    QStringEncoder encode("Shift_JIS");
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += QByteArray(encode(line)) + "\r\n";
    if (encode.hasError())
        ADD_FAILURE() << "not code page 932: " << lines.join(QLatin1Char('|')).toStdString();
    return bytes;
}

QString write(const QString& folder, const QString& name, const QByteArray& bytes) {
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

} // namespace hanashi::TestFiles
