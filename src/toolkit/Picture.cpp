// SPDX-License-Identifier: MIT
#include "toolkit/Picture.h"

#include "platform/PlainFile.h"
#include "platform/RuntimeError.h"

#include <QThreadPool>
#include <exception>
#include <future>
#include <optional>

namespace hanashi {

struct Picture::Rows {
    QImage image;
    std::promise<void> read;
    std::shared_future<void> done = read.get_future().share();
};

const QImage& Picture::image() const {
    if (m_rows) {
        // Everything the worker wrote happens before get() returns.
        m_rows->done.get();
        m_image = m_rows->image;
        m_rows.reset();
    }
    return m_image;
}

Picture LoadPicture(const QString& path) {
    auto file = std::make_shared<PlainFile>(PlainFile::open(path));
    const std::optional<BitmapHeader> header = plainBitmapHeader(*file);
    if (!header)
        return readWholeBitmap(*file);
    Picture picture;
    picture.m_rows = std::make_shared<Picture::Rows>();
    QImage& image = picture.m_rows->image = blankPicture(*header, path);
    // The rows are written through this pointer only, and only the picture
    // holds the image, so the worker's writes never meet a copy of it.
    uchar* bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    QThreadPool::globalInstance()->start(
        [rows = picture.m_rows, file, header = *header, bits, bytesPerLine] {
            try {
                readBitmapRows(*file, header, bits, bytesPerLine);
                rows->read.set_value();
            } catch (const RuntimeError&) {
                rows->read.set_exception(std::current_exception());
            }
        });
    return picture;
}

} // namespace hanashi
