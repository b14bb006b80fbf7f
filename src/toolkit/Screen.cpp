// SPDX-License-Identifier: MIT
#include "toolkit/Screen.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace hanashi {

int screenHeightTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() * 15 : 0;
}

QString applicationFolder() {
    // applicationFilePath() reads /proc/self/exe, the real file behind any link.
    return realFolderOf(QCoreApplication::applicationFilePath());
}

QString realFolderOf(const QString& executablePath) {
    const QString file = QFileInfo(executablePath).canonicalFilePath();
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

} // namespace hanashi
