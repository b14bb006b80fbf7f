// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>

namespace hanashi {

class PlainFile;

// Windows bitmap files, read the one way the game reads its pictures and
// hanashi-check judges them. A missing, non-plain, unreadable, oversized or
// unsupported file is a RuntimeError whose message names the file and the
// reason.

// Pictures are held as 24-bit blue-green-red, the order of a bitmap file's
// own rows: three bytes a pixel where the screen's format takes four, and
// nothing of the picture is lost, whatever the file's depth was.
constexpr QImage::Format PictureFormat = QImage::Format_BGR888;

// Limits that keep any file's cost bounded: far beyond the game's pictures
// (640 x 480, under 1 MB).
constexpr qint64 MaxPictureFileBytes = 64 * 1024 * 1024;
constexpr qint64 MaxPicturePixels = 4096 * 4096;

// What a bitmap's header says of its rows.
struct BitmapHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;
    // The bytes the header says the file holds, for the layouts whose size
    // the header fixes; 0 when it does not say. Qt reads a bitmap that ends
    // early without complaint and leaves the missing rows black.
    std::int64_t declaredSize = 0;
    // Where the pixel rows start, and whether the first row in the file is
    // the top one (a negative height in the header).
    std::int64_t dataOffset = 0;
    bool topDown = false;
    // Uncompressed 24-bit rows in a Windows header: rows of the stored
    // format as they stand.
    bool plain24 = false;
};

// The whole picture from a file opened at its start.
QImage readBitmap(PlainFile& file);

// The steps of readBitmap, for a reader that takes the rows of the common
// case in its own time. plainBitmapHeader reads the header of a plain 24-bit
// bitmap that promises no more than the file holds; for any other file it
// gives null, and readWholeBitmap reads that file whole. blankPicture is the
// picture the header describes, and readBitmapRows reads its rows into memory
// laid out as PictureFormat with bytesPerLine to a row. Rows missing from the
// file are the same RuntimeError as a file read whole that ends early.
std::optional<BitmapHeader> plainBitmapHeader(PlainFile& file);
QImage readWholeBitmap(PlainFile& file);
QImage blankPicture(const BitmapHeader& header, const QString& path);
void readBitmapRows(PlainFile& file, const BitmapHeader& header, uchar* bits,
                    qsizetype bytesPerLine);

// A bitmap already in memory; path only names the file in messages.
QImage decodeBitmap(const QByteArray& bytes, const QString& path);

} // namespace hanashi
