// SPDX-License-Identifier: MIT
#include "toolkit/Picture.h"
#include "platform/RuntimeError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <climits>
#include <gtest/gtest.h>
#include <utility>

using namespace hanashi;

namespace {

QString errorLoading(const QString& path) {
    try {
        LoadPicture(path);
    } catch (const RuntimeError& e) {
        return e.message();
    }
    return QString();
}

} // namespace

TEST(LoadPicture, ReadsABitmapAndRejectsEverythingElseByName) {
    QTemporaryDir dir;
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(QColor(10, 20, 30));
    const QString bmp = dir.filePath("00.bmp");
    ASSERT_TRUE(image.save(bmp, "BMP"));
    const QImage loaded = LoadPicture(bmp);
    EXPECT_EQ(loaded.size(), QSize(7, 5));
    EXPECT_EQ(loaded.pixelColor(3, 3), QColor(10, 20, 30));

    const QString png = dir.filePath("01.bmp");
    ASSERT_TRUE(image.save(png, "PNG"));
    QFile garbage(dir.filePath("02.bmp"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("BM this is not a bitmap at all");
    garbage.close();

    const QString missing = dir.filePath("05.bmp");
    EXPECT_EQ(errorLoading(missing), "File not found: " + missing);

    // A bitmap whose pixel rows end early is damaged, though Qt would read it
    // and leave the rest black; one byte short is enough.
    QFile whole(bmp);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    QFile cut(dir.filePath("03.bmp"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.left(bytes.size() - 1));
    cut.close();
    const QString cutError = errorLoading(cut.fileName());
    EXPECT_TRUE(cutError.contains(cut.fileName()) && cutError.contains("ends early"))
        << cutError.toStdString();
    for (const QString& path : {png, garbage.fileName(), dir.path()}) {
        const QString error = errorLoading(path);
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
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
        try {
            decodeBitmap(bitmap(width, height, 32), "big.bmp");
            ADD_FAILURE() << width << " x " << height << " was decoded";
        } catch (const RuntimeError& e) {
            EXPECT_TRUE(e.message().contains("larger than the game takes"))
                << e.message().toStdString();
        }
    }
}
