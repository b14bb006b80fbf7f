// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace hanashi {

// Folder names as they come from elsewhere: an archive made on Japanese
// Windows keeps its names in code page 932, an old disk in Latin-1, and a
// deep tree may be longer than the system takes in one call. Qt's file names
// are UTF-8 text, so tests make, move and remove such folders by their bytes.

// ゲーム in code page 932, and café in Latin-1: neither is valid UTF-8.
inline const QByteArray ShiftJisName = QByteArrayLiteral("\x83\x51\x81\x5B\x83\x80");
inline const QByteArray Latin1Name = QByteArrayLiteral("caf\xE9");
// The same as messages show them: what is not UTF-8 escaped.
inline const QString ShiftJisShown = QStringLiteral("\\x83Q\\x81[\\x83\\x80");
inline const QString Latin1Shown = QStringLiteral("caf\\xe9");

// A chain of folders under root whose whole name is longer than PATH_MAX,
// made one step at a time. Returns its name; the deepest folder stays open
// as *descriptor (the caller closes it), for the *at() calls that reach it.
QByteArray makeLongFolder(const QByteArray& root, int* descriptor);

// Removes root and everything in it with GNU rm, which walks names of any
// bytes and any depth (QDir goes through UTF-8 and PATH_MAX-long names).
void removeTree(const QString& root);

} // namespace hanashi
