// SPDX-License-Identifier: MIT
// The floor for the game's start-up: the least a Qt Widgets program costs to
// show one line of Japanese in IPAGothic, over the screen like the game's
// window. bench/startup.sh measures both the same way.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("夏祭りの夜だった。"));
    label.setWindowTitle(QStringLiteral("startup_floor"));
    // The size the story text takes on a 1080-line screen.
    label.setFont(QFont(QStringLiteral("IPAGothic"), 24));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        label.setGeometry(screen->availableGeometry());
    label.showMaximized();
    return app.exec();
}
