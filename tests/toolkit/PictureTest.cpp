// SPDX-License-Identifier: MIT
#include "toolkit/Picture.h"
#include "platform/RuntimeError.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
