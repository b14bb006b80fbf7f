// SPDX-License-Identifier: MIT
// The picture loader's checks and decoding on arbitrary bytes: every input
// gives a picture within the limits, or the loader's error naming the file;
// never undefined behaviour, and never an allocation a header merely asked
// for.

#include "FuzzCheck.h"
#include "platform/RuntimeError.h"
#include "toolkit/Picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const QImage image = hanashi::decodeBitmap(bytes, QStringLiteral("fuzz.bmp"));
        FUZZ_CHECK(!image.isNull());
        FUZZ_CHECK(image.format() == QImage::Format_RGB32);
        FUZZ_CHECK(qint64(image.width()) * image.height() <= hanashi::MaxPicturePixels);
        FUZZ_CHECK(bytes.startsWith("BM"));
    } catch (const hanashi::RuntimeError& error) {
        FUZZ_CHECK(error.message().contains(QStringLiteral("fuzz.bmp")));
    }
    return 0;
}
