// SPDX-License-Identifier: MIT
#include "toolkit/UiFont.h"

#include <QString>
#include <algorithm>

namespace hanashi {

QFont uiFont(double points) {
    QFont font(QString::fromLatin1(UiFontFamily));
    font.setPointSizeF(std::max(points, 1.0));
    return font;
}

} // namespace hanashi
