// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace hanashi {

// Loads a Windows bitmap file. A missing, non-plain, unreadable, oversized or
// unsupported file is a run-time error whose message names the file and the
// reason.
QImage LoadPicture(const QString& path);

// The checks and decoding of LoadPicture on bytes already read; path only
// names the file in messages.
QImage decodeBitmap(const QByteArray& bytes, const QString& path);

// Pictures are held as 24-bit blue-green-red, the order of a bitmap file's
// own rows: three bytes a pixel where the screen's format takes four, and
// nothing of the picture is lost, whatever the file's depth was.
constexpr QImage::Format PictureFormat = QImage::Format_BGR888;

// Limits that keep any file's cost bounded: far beyond the game's pictures
// (640 x 480, under 1 MB).
constexpr qint64 MaxPictureFileBytes = 64 * 1024 * 1024;
constexpr qint64 MaxPicturePixels = 4096 * 4096;

} // namespace hanashi
