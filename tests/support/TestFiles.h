// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace hanashi {

// Files that tests write for the code under test to read.
namespace TestFiles {

// The lines in code page 932, each ending in CR LF, as the game's scripts are
// saved. A line that code page 932 cannot hold fails the running test.
QByteArray script(const QStringList& lines);

// Writes bytes to the file name in folder, replacing what was there, and
// returns its path. A file that cannot be written fails the running test.
QString write(const QString& folder, const QString& name, const QByteArray& bytes);

} // namespace TestFiles

} // namespace hanashi
