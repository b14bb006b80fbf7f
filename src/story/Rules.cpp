// SPDX-License-Identifier: MIT
#include "story/Rules.h"

namespace hanashi {

QString pictureFile(int index) {
    return QLatin1Char('0') + QString::number(index) + QLatin1String(".bmp");
}

} // namespace hanashi
