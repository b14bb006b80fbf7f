// SPDX-License-Identifier: MIT
#include "toolkit/FocusMark.h"

#include <QPainter>

namespace hanashi {

void drawFocusMark(QPainter& painter, const QRect& control) {
    const QRect mark = control.adjusted(1, 1, -2, -2);
    if (mark.width() < 2 || mark.height() < 2)
        return;
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(mark);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.drawRect(mark);
    painter.restore();
}

} // namespace hanashi
