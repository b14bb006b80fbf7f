// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace hanashi {

// A program folder made for one test, under a temporary folder: dat/ with the
// ten numbered pictures (each a small BMP of a colour of its own) and two
// short scripts in code page 932 with CR LF. Everything goes when it does.
class GameFolder {
public:
    // name may hold spaces and Japanese characters.
    explicit GameFolder(const QString& name = QStringLiteral("game"));

    // The program's folder, without a trailing separator.
    QString programFolder() const { return m_folder; }
    QString dataFolder() const { return m_folder + QStringLiteral("/dat"); }
    QString root() const { return m_root.path(); }

    // Writes dat/<fileName> as a BMP of one colour.
    void writePicture(const QString& fileName, QColor colour, QSize size = QSize(8, 6)) const;
    // Writes dat/<fileName> as code page 932 lines ending in CR LF.
    void writeScript(const QString& fileName, const QStringList& lines) const;
    void writeData(const QString& fileName, const QByteArray& bytes) const;
    void removeData(const QString& fileName) const;

    // The colour of numbered picture i as written here.
    static QColor pictureColour(int i);

private:
    QTemporaryDir m_root;
    QString m_folder;
};

// The root of this source tree ($HANASHI_SOURCE_DIR overrides), for the
// bundled assets.
QString sourceTree();

} // namespace hanashi
