// SPDX-License-Identifier: MIT
// The picture loader's checks and decoding on arbitrary bytes: every input
// gives a picture within the limits, or the loader's error naming the file;
// never undefined behaviour, and never an allocation a header merely asked
// for. Where Qt's own reader also reads the bytes, the picture is the one it
// reads, pixel for pixel.

#include "FuzzCheck.h"
#include "platform/BitmapFile.h"
#include "platform/RuntimeError.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

namespace {

QImage readByQt(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setDecideFormatFromContent(false);
    return reader.read().convertToFormat(hanashi::PictureFormat);
}

bool plain24(const QByteArray& bytes) {
    if (bytes.size() < 54)
        return false;
    const auto at = [&](int offset) { return bytes.constData() + offset; };
    return qFromLittleEndian<quint32>(at(14)) >= 40 && qFromLittleEndian<qint32>(at(18)) > 0 &&
           qFromLittleEndian<qint32>(at(22)) != 0 && qFromLittleEndian<quint16>(at(26)) == 1 &&
           qFromLittleEndian<quint16>(at(28)) == 24 && qFromLittleEndian<quint32>(at(30)) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const QImage image = hanashi::decodeBitmap(bytes, QStringLiteral("fuzz.bmp"));
        FUZZ_CHECK(!image.isNull());
        FUZZ_CHECK(image.format() == hanashi::PictureFormat);
        FUZZ_CHECK(qint64(image.width()) * image.height() <= hanashi::MaxPicturePixels);
        FUZZ_CHECK(bytes.startsWith("BM"));
        // Qt leaves the rows of some damaged files unwritten, so only plain
        // 24-bit bitmaps, the rows the loader copies itself, are compared.
        if (plain24(bytes)) {
            const QImage byQt = readByQt(bytes);
            FUZZ_CHECK(byQt.isNull() || byQt == image);
        }
    } catch (const hanashi::RuntimeError& error) {
        FUZZ_CHECK(error.message().contains(QStringLiteral("fuzz.bmp")));
    }
    return 0;
}
