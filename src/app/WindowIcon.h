// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QImage>

namespace hanashi {

// The window's 32 x 32 icon, painted here: a pale star over a night-blue
// page with two story lines.
QIcon windowIcon32();

// The same picture painted at size x size pixels (for the desktop's menus);
// at 32 it is the window's icon pixel for pixel.
QImage windowIconImage(int size);

} // namespace hanashi
