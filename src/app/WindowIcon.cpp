// SPDX-License-Identifier: MIT
#include "app/WindowIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace hanashi {

QIcon windowIcon32() {
    return QIcon(QPixmap::fromImage(windowIconImage(32)));
}

QImage windowIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 32 x 32 grid, scaled to the size asked for.
    p.scale(size / 32.0, size / 32.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 40, 110));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    p.setBrush(QColor(255, 200, 255));
    p.drawRect(QRectF(6, 20, 20, 2));
    p.drawRect(QRectF(6, 25, 14, 2));
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 ? 3.5 : 8.5;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const QPointF point(16 + radius * std::cos(angle), 11 + radius * std::sin(angle));
        if (i == 0)
            star.moveTo(point);
        else
            star.lineTo(point);
    }
    star.closeSubpath();
    p.setBrush(QColor(0, 255, 255));
    p.drawPath(star);
    p.end();
    return image;
}

} // namespace hanashi
