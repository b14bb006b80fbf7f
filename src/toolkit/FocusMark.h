// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

class QPainter;

namespace hanashi {

// The mark of a control that has the keyboard focus, on controls whose own
// look has none: a dotted frame just inside the control's edge, black and
// white in turn, so that it shows on any background, black or picture.
void drawFocusMark(QPainter& painter, const QRect& control);

} // namespace hanashi
