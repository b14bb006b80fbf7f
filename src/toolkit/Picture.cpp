// SPDX-License-Identifier: MIT
#include "toolkit/Picture.h"

#include "platform/RuntimeError.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>
#include <cstdlib>

namespace hanashi {

namespace {

// The bytes a bitmap's header says it holds, for the layouts whose size the
// header fixes; 0 when it does not say. Qt reads a bitmap that ends early
// without complaint and leaves the missing rows black.
qint64 declaredBitmapSize(const QByteArray& bytes) {
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
    const auto s32 = [&](int at) { return qFromLittleEndian<qint32>(bytes.constData() + at); };
    if (bytes.size() < 26)
        return 0;
    const qint64 dataOffset = u32(10);
    const quint32 headerSize = u32(14);
    qint64 width = 0, height = 0, bitCount = 0, compression = 0, imageSize = 0;
    if (headerSize == 12) {
        width = u16(18);
        height = u16(20);
        bitCount = u16(24);
    } else if (headerSize >= 40 && bytes.size() >= 54) {
        width = s32(18);
        height = std::abs(static_cast<qint64>(s32(22)));
        bitCount = u16(28);
        compression = u32(30);
        imageSize = u32(34);
    } else {
        return 0;
    }
    // Uncompressed rows (plain or with colour masks) are padded to 4 bytes;
    // compressed data is as long as the header's image size.
    if (compression == 0 || compression == 3) {
        if (width <= 0 || bitCount <= 0 || bitCount > 32)
            return 0;
        return dataOffset + (bitCount * width + 31) / 32 * 4 * height;
    }
    return imageSize > 0 ? dataOffset + imageSize : 0;
}

} // namespace

QImage LoadPicture(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        throw RuntimeError(QStringLiteral("File not found: %1").arg(path));
    if (info.isDir())
        throw RuntimeError(QStringLiteral("Cannot load picture %1: it is a folder").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError(
            QStringLiteral("Cannot open picture %1: %2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (!bytes.startsWith("BM"))
        throw RuntimeError(
            QStringLiteral("Invalid picture %1: not a Windows bitmap (BMP) file").arg(path));
    if (const qint64 declared = declaredBitmapSize(bytes); declared > bytes.size())
        throw RuntimeError(
            QStringLiteral("Invalid picture %1: the file ends early (%2 of %3 bytes)")
                .arg(path)
                .arg(bytes.size())
                .arg(declared));
    // Only BMP is read, whatever the content would let Qt guess.
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    if (image.isNull())
        throw RuntimeError(
            QStringLiteral("Invalid picture %1: %2").arg(path, reader.errorString()));
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace hanashi
