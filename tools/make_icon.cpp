// SPDX-License-Identifier: MIT
// Writes the window's icon as a PNG for the desktop's menus:
//   hanashi-make-icon SIZE OUT.png
#include "app/WindowIcon.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdio>

int main(int argc, char** argv) {
    // Painting needs no display; the build machine may have none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int size = args.size() == 3 ? args[1].toInt(&ok) : 0;
    if (!ok || size < 16 || size > 512) {
        std::fputs("usage: hanashi-make-icon SIZE OUT.png (SIZE 16 to 512)\n", stderr);
        return 2;
    }
    if (!hanashi::windowIconImage(size).save(args[2], "PNG")) {
        std::fprintf(stderr, "hanashi-make-icon: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
