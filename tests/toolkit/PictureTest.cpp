// SPDX-License-Identifier: MIT
#include "toolkit/Picture.h"
#include "support/ErrorOf.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <climits>
#include <gtest/gtest.h>
#include <utility>

using namespace hanashi;

namespace {

QString errorLoading(const QString& path) {
    return errorOf([&] { LoadPicture(path).image(); });
}

} // namespace

TEST(LoadPicture, ReadsABitmapAndRejectsEverythingElseByName) {
    QTemporaryDir dir;
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    const QString bmp = dir.filePath("00.bmp");
    ASSERT_TRUE(image.save(bmp, "BMP"));
    const QImage loaded = LoadPicture(bmp).image();
    EXPECT_EQ(loaded.size(), QSize(7, 5));
    EXPECT_EQ(loaded.pixelColor(3, 3), QColor(10, 20, 30));

    const QString png = dir.filePath("01.bmp");
    ASSERT_TRUE(image.save(png, "PNG"));
    const QString garbage =
        TestFiles::write(dir.path(), "02.bmp", "BM this is not a bitmap at all");

    const QString missing = dir.filePath("05.bmp");
    EXPECT_EQ(errorLoading(missing), "File not found: " + missing);

    // A bitmap whose pixel rows end early is damaged, though Qt would read it
    // and leave the rest black; one byte short is enough.
    QFile whole(bmp);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    const QString cut = TestFiles::write(dir.path(), "03.bmp", bytes.left(bytes.size() - 1));
    const QString cutError = errorLoading(cut);
    EXPECT_TRUE(cutError.contains(cut) && cutError.contains("ends early"))
        << cutError.toStdString();
    for (const QString& path : {png, garbage, dir.path()}) {
        const QString error = errorLoading(path);
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
    }
}

// Plain 24-bit bitmaps are read straight into the picture's rows, bottom row
// first or, with a negative height, top row first; any other file is
// decoded by Qt. Each must give Qt's own picture.
TEST(LoadPicture, GivesQtsPictureWhicheverWayTheFileIsRead) {
    QTemporaryDir dir;
    QImage image(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            image.setPixelColor(x, y, QColor(x * 30, y * 50, 200 - x * y));
    const QString bottomUp = dir.filePath("00.bmp");
    ASSERT_TRUE(image.save(bottomUp, "BMP"));
    QFile file(bottomUp);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    ASSERT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 28), 24);
    // The same rows stored top row first.
    QByteArray topDown = bytes.left(54);
    qToLittleEndian<qint32>(-5, topDown.data() + 22);
    const qsizetype stride = (bytes.size() - 54) / 5;
    for (int row = 4; row >= 0; --row)
        topDown += bytes.mid(54 + row * stride, stride);
    // And a 32-bit one, which Qt decodes.
    QByteArray deep = bytes.left(54);
    qToLittleEndian<quint16>(32, deep.data() + 28);
    qToLittleEndian<quint32>(54 + 7 * 4 * 5, deep.data() + 2);
    for (int y = 4; y >= 0; --y)
        for (int x = 0; x < 7; ++x) {
            const QRgb rgb = image.pixel(x, y);
            const char pixel[4] = {char(qBlue(rgb)), char(qGreen(rgb)), char(qRed(rgb)), 0};
            deep += QByteArray(pixel, 4);
        }
    const QImage expected = image.convertToFormat(PictureFormat);
    EXPECT_EQ(LoadPicture(bottomUp).image(), expected);
    for (const auto& [name, content] : {std::pair{"01.bmp", topDown}, std::pair{"02.bmp", deep}}) {
        EXPECT_EQ(LoadPicture(TestFiles::write(dir.path(), name, content)).image(), expected)
            << name;
    }
}

// A header can claim any size; the arithmetic that judges it must not
// overflow (the sanitizers would stop this test), and nothing of that size
// is ever allocated.
TEST(LoadPicture, AHeaderClaimingAHugePictureIsRefusedWithoutOverflow) {
    const auto bitmap = [](qint32 width, qint32 height, quint16 bits) {
        QByteArray bytes(54, '\0');
        bytes[0] = 'B';
        bytes[1] = 'M';
        qToLittleEndian<quint32>(54, bytes.data() + 10);
        qToLittleEndian<quint32>(40, bytes.data() + 14);
        qToLittleEndian<qint32>(width, bytes.data() + 18);
        qToLittleEndian<qint32>(height, bytes.data() + 22);
        qToLittleEndian<quint16>(1, bytes.data() + 26);
        qToLittleEndian<quint16>(bits, bytes.data() + 28);
        return bytes + QByteArray(64, '\x7f');
    };
    for (const auto& [width, height] : {std::pair{INT32_MAX, INT32_MAX},
                                        std::pair{INT32_MAX, INT32_MIN}, std::pair{65536, 65536}}) {
        const QString error = errorOf([&] { decodeBitmap(bitmap(width, height, 32), "big.bmp"); });
        EXPECT_TRUE(error.contains("larger than the game takes"))
            << width << " x " << height << ": " << error.toStdString();
    }
}
