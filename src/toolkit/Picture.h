// SPDX-License-Identifier: MIT
#pragma once

#include "platform/BitmapFile.h"

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

// Loads a Windows bitmap file as platform/BitmapFile reads it, with its
// failures as run-time errors. The rows of a plain 24-bit bitmap, once its
// header has been found sound for the file's size, are read on a worker:
// that is most of the time a picture takes to load, and then it is not spent
// before the window shows.
Picture LoadPicture(const QString& path);

} // namespace hanashi
