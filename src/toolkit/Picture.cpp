#include "toolkit/Picture.h"

#include "platform/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace hanashi {

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
    const QByteArray head = file.peek(2);
    if (head != "BM")
        throw RuntimeError(
            QStringLiteral("Invalid picture %1: not a Windows bitmap (BMP) file").arg(path));
    // Only BMP is read, whatever the content would let Qt guess.
    QImageReader reader(&file, "bmp");
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    if (image.isNull())
        throw RuntimeError(
            QStringLiteral("Invalid picture %1: %2").arg(path, reader.errorString()));
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace hanashi
