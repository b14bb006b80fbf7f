// SPDX-License-Identifier: MIT
#include "support/GameFolder.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <stdexcept>

namespace hanashi {

namespace {

[[noreturn]] void fixtureError(const QString& what) {
    throw std::runtime_error(what.toStdString());
}

} // namespace

GameFolder::GameFolder(const QString& name)
    : m_folder(QDir(m_root.path()).filePath(name)) {
    if (!m_root.isValid() || !QDir().mkpath(dataFolder()))
        fixtureError(QStringLiteral("cannot make the game folder ") + m_folder);
    for (int i = 0; i <= 9; ++i)
        writePicture(QStringLiteral("0%1.bmp").arg(i), pictureColour(i));
    writeScript(QStringLiteral("opn.dat"), {QStringLiteral("一行目"), QStringLiteral("二行目")});
    writeScript(QStringLiteral("end.dat"), {QStringLiteral("おわり")});
}

void GameFolder::writePicture(const QString& fileName, QColor colour, QSize size) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = QDir(dataFolder()).filePath(fileName);
    if (!image.save(path, "BMP"))
        fixtureError(QStringLiteral("cannot write ") + path);
}

void GameFolder::writeScript(const QString& fileName, const QStringList& lines) const {
    writeData(fileName, TestFiles::script(lines));
}

void GameFolder::writeData(const QString& fileName, const QByteArray& bytes) const {
    TestFiles::write(dataFolder(), fileName, bytes);
}

void GameFolder::removeData(const QString& fileName) const {
    QFile::remove(QDir(dataFolder()).filePath(fileName));
}

QColor GameFolder::pictureColour(int i) {
    return QColor(20 * i + 10, 200 - 15 * i, 60 + 5 * i);
}

QString sourceTree() {
    QString root = qEnvironmentVariable("HANASHI_SOURCE_DIR");
    if (root.isEmpty()) // this file lives in tests/support/
        root = QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral("../.."));
    return QDir::cleanPath(root);
}

} // namespace hanashi
