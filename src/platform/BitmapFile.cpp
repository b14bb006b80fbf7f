// SPDX-License-Identifier: MIT
#include "platform/BitmapFile.h"

#include "platform/PlainFile.h"
#include "platform/RuntimeError.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace hanashi {

namespace {

// Checked 64-bit arithmetic: a crafted header can ask for any product.
std::optional<std::int64_t> mul(std::int64_t a, std::int64_t b) {
    std::int64_t out = 0;
    if (__builtin_mul_overflow(a, b, &out))
        return std::nullopt;
    return out;
}

std::optional<std::int64_t> add(std::int64_t a, std::int64_t b) {
    std::int64_t out = 0;
    if (__builtin_add_overflow(a, b, &out))
        return std::nullopt;
    return out;
}

// Null when the header is too short or of a kind Qt must judge itself.
std::optional<BitmapHeader> readHeader(const QByteArray& bytes) {
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
    const auto s32 = [&](int at) { return qFromLittleEndian<qint32>(bytes.constData() + at); };
    if (bytes.size() < 26)
        return std::nullopt;
    const std::int64_t dataOffset = u32(10);
    const quint32 headerSize = u32(14);
    BitmapHeader header;
    header.dataOffset = dataOffset;
    std::int64_t bitCount = 0, compression = 0, imageSize = 0;
    if (headerSize == 12) {
        header.width = u16(18);
        header.height = u16(20);
        bitCount = u16(24);
    } else if (headerSize >= 40 && bytes.size() >= 54) {
        header.width = s32(18);
        header.height = std::abs(static_cast<std::int64_t>(s32(22)));
        header.topDown = s32(22) < 0;
        bitCount = u16(28);
        compression = u32(30);
        imageSize = u32(34);
        header.plain24 = u16(26) == 1 && bitCount == 24 && compression == 0 && header.width > 0 &&
                         header.height > 0 && dataOffset >= 14 + std::int64_t{headerSize};
    } else {
        return std::nullopt;
    }
    // Uncompressed rows (plain or with colour masks) are padded to 4 bytes;
    // compressed data is as long as the header's image size.
    if (compression == 0 || compression == 3) {
        if (header.width <= 0 || bitCount <= 0 || bitCount > 32)
            return header;
        const std::optional<std::int64_t> rowBits = mul(bitCount, header.width);
        const std::optional<std::int64_t> rows =
            rowBits ? mul((*rowBits + 31) / 32 * 4, header.height) : std::nullopt;
        const std::optional<std::int64_t> total = rows ? add(dataOffset, *rows) : std::nullopt;
        header.declaredSize = total ? *total : INT64_MAX;
    } else if (imageSize > 0) {
        header.declaredSize = dataOffset + imageSize;
    }
    return header;
}

// The rows of a plain 24-bit bitmap are blue, green, red, padded to four
// bytes, bottom row first unless the header says otherwise: the stored
// format's rows, copied one by one. The header has been checked against the
// file's size.
QImage copyPlainRows(const QByteArray& bytes, const BitmapHeader& header) {
    const int width = static_cast<int>(header.width);
    const int height = static_cast<int>(header.height);
    const std::int64_t stride = (header.width * 3 + 3) / 4 * 4;
    QImage image(width, height, PictureFormat);
    if (image.isNull())
        return image;
    for (int y = 0; y < height; ++y) {
        const std::int64_t row = header.topDown ? y : height - 1 - y;
        std::memcpy(image.scanLine(y), bytes.constData() + header.dataOffset + row * stride,
                    static_cast<std::size_t>(width) * 3);
    }
    return image;
}

} // namespace

namespace {

void refuseIfTooLarge(std::int64_t width, std::int64_t height, const QString& path) {
    const std::optional<std::int64_t> pixels = mul(width, height);
    if (!pixels || *pixels > MaxPicturePixels)
        throw RuntimeError(QStringLiteral("Invalid picture %1: %2 x %3 pixels is larger than the "
                                          "game takes (at most %4 pixels)")
                               .arg(path)
                               .arg(width)
                               .arg(height)
                               .arg(MaxPicturePixels));
}

} // namespace

QImage decodeBitmap(const QByteArray& bytes, const QString& path) {
    if (!bytes.startsWith("BM"))
        throw RuntimeError(
            QStringLiteral("Invalid picture %1: not a Windows bitmap (BMP) file").arg(path));
    if (const std::optional<BitmapHeader> header = readHeader(bytes)) {
        refuseIfTooLarge(header->width, header->height, path);
        if (header->declaredSize > bytes.size())
            throw RuntimeError(
                QStringLiteral("Invalid picture %1: the file ends early (%2 of %3 bytes)")
                    .arg(path)
                    .arg(bytes.size())
                    .arg(header->declaredSize));
        // The common case, and the game's own pictures: some twenty times
        // faster than Qt's reader, which converts every pixel.
        if (header->plain24) {
            if (QImage image = copyPlainRows(bytes, *header); !image.isNull())
                return image;
        }
    }
    // Only BMP is read, whatever the content would let Qt guess.
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setDecideFormatFromContent(false);
    // Qt takes headers the checks above leave to it; what it would make of
    // them is judged before it allocates anything.
    if (const QSize size = reader.size(); size.isValid())
        refuseIfTooLarge(size.width(), size.height(), path);
    QImage image = reader.read();
    if (image.isNull())
        throw RuntimeError(
            QStringLiteral("Invalid picture %1: %2").arg(path, reader.errorString()));
    refuseIfTooLarge(image.width(), image.height(), path);
    return image.convertToFormat(PictureFormat);
}

// Reads the rows of a plain 24-bit bitmap into memory laid out as the file
// is, bottom row first unless the header says otherwise. Short of rows, the
// file is judged as if read whole: it ends early.
void readBitmapRows(PlainFile& file, const BitmapHeader& header, uchar* bits,
                    qsizetype bytesPerLine) {
    const std::int64_t size = bytesPerLine * header.height;
    file.seek(header.dataOffset);
    const std::int64_t got = file.readFully(reinterpret_cast<char*>(bits), size);
    if (got < size)
        throw RuntimeError(
            QStringLiteral("Invalid picture %1: the file ends early (%2 of %3 bytes)")
                .arg(file.path())
                .arg(header.dataOffset + got)
                .arg(header.declaredSize));
    if (header.topDown)
        return;
    std::vector<uchar> spare(static_cast<std::size_t>(bytesPerLine));
    for (std::int64_t top = 0, bottom = header.height - 1; top < bottom; ++top, --bottom) {
        uchar* a = bits + top * bytesPerLine;
        uchar* b = bits + bottom * bytesPerLine;
        std::memcpy(spare.data(), a, spare.size());
        std::memcpy(a, b, spare.size());
        std::memcpy(b, spare.data(), spare.size());
    }
}

// The header of a plain 24-bit bitmap that promises no more than the file
// holds; null for any other file, which is then read whole and judged.
std::optional<BitmapHeader> plainBitmapHeader(PlainFile& file) {
    const QString& path = file.path();
    QByteArray head(54, '\0');
    if (file.size() > MaxPictureFileBytes ||
        file.readFully(head.data(), head.size()) < head.size() || !head.startsWith("BM"))
        return std::nullopt;
    std::optional<BitmapHeader> header = readHeader(head);
    if (!header || !header->plain24 || header->declaredSize > file.size())
        return std::nullopt;
    refuseIfTooLarge(header->width, header->height, path);
    return header;
}

QImage readWholeBitmap(PlainFile& file) {
    file.seek(0);
    return decodeBitmap(file.readAll(MaxPictureFileBytes), file.path());
}

QImage blankPicture(const BitmapHeader& header, const QString& path) {
    QImage image(static_cast<int>(header.width), static_cast<int>(header.height), PictureFormat);
    if (image.isNull())
        throw RuntimeError(QStringLiteral("Invalid picture %1: out of memory").arg(path));
    return image;
}

QImage readBitmap(PlainFile& file) {
    const std::optional<BitmapHeader> header = plainBitmapHeader(file);
    if (!header)
        return readWholeBitmap(file);
    QImage image = blankPicture(*header, file.path());
    readBitmapRows(file, *header, image.bits(), image.bytesPerLine());
    return image;
}

} // namespace hanashi
