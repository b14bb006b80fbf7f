// SPDX-License-Identifier: MIT
#include "support/FakeMidiFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace hanashi {

namespace {

void bigEndian(QByteArray& out, quint32 value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void littleEndian(QByteArray& out, quint32 value) {
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

QByteArray FakeMidiFiles::quantity(quint32 value) {
    QByteArray out(1, static_cast<char>(value & 0x7F));
    while (value >>= 7)
        out.prepend(static_cast<char>(0x80 | (value & 0x7F)));
    return out;
}

QByteArray FakeMidiFiles::header(int format, int tracks, int division) {
    QByteArray out("MThd");
    bigEndian(out, 6, 4);
    bigEndian(out, static_cast<quint32>(format), 2);
    bigEndian(out, static_cast<quint32>(tracks), 2);
    bigEndian(out, static_cast<quint32>(division), 2);
    return out;
}

QByteArray FakeMidiFiles::track(const QByteArray& events) {
    QByteArray out("MTrk");
    bigEndian(out, static_cast<quint32>(events.size()), 4);
    return out + events;
}

QByteArray FakeMidiFiles::heldNote(int ticks) {
    QByteArray events;
    events += QByteArray::fromHex("00c013");   // church organ: no decay
    events += QByteArray::fromHex("00903c64"); // C4 on
    events += quantity(static_cast<quint32>(ticks)) + QByteArray::fromHex("803c00");
    events += QByteArray::fromHex("00ff2f00");
    return header(0, 1) + track(events);
}

QByteArray FakeMidiFiles::rmid(const QByteArray& standard) {
    QByteArray info("LIST");
    littleEndian(info, 3);
    info += QByteArray("abc\0", 4);
    QByteArray data("data");
    littleEndian(data, static_cast<quint32>(standard.size()));
    data += standard;
    QByteArray out("RIFF");
    littleEndian(out, static_cast<quint32>(4 + info.size() + data.size()));
    return out + "RMID" + info + data;
}

QString FakeMidiFiles::bundledTunePath() {
    QString root = qEnvironmentVariable("HANASHI_SOURCE_DIR");
    if (root.isEmpty()) {
        // This file lives in tests/support/ of the source tree.
        root = QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral("../.."));
    }
    return QDir::cleanPath(QDir(root).filePath(QStringLiteral("dat/bgm.mid")));
}

QByteArray FakeMidiFiles::bundledTune() {
    QFile file(bundledTunePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace hanashi
