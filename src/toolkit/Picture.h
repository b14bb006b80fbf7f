// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>

namespace hanashi {

// A picture whose pixel rows may still be on their way from its file.
class Picture {
public:
    Picture() = default;
    // A picture already in memory.
    Picture(QImage image) // NOLINT(google-explicit-constructor): any image will do
        : m_image(std::move(image)) {}

    // The pixels. Rows still being read are waited for; if reading them
    // failed, the loader's run-time error is thrown here.
    const QImage& image() const;

private:
    friend Picture LoadPicture(const QString& path);
    struct Rows;
    mutable QImage m_image;
    mutable std::shared_ptr<Rows> m_rows;
};

// Loads a Windows bitmap file. A missing, non-plain, unreadable, oversized or
// unsupported file is a run-time error whose message names the file and the
// reason. The rows of a plain 24-bit bitmap, once its header has been found
// sound for the file's size, are read on a worker: that is most of the time
// a picture takes to load, and then it is not spent before the window shows.
Picture LoadPicture(const QString& path);

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
