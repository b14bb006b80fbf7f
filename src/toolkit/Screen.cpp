// SPDX-License-Identifier: MIT
#include "toolkit/Screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace hanashi {

int screenHeightTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() * 15 : 0;
}

} // namespace hanashi
