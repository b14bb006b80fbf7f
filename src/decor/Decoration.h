// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/ControlArray.h"
#include "toolkit/PictureBox.h"
#include "toolkit/Shape.h"

namespace hanashi {

class RandomSource;

// The controls the decoration drives.
struct DecorControls {
    PictureBox& KazariPic;
    Shape& ShpKazari;
    ControlArray<Shape>& Shp;
    ControlArray<PictureBox>& E;
};

// The decoration area's tick: now and then a stretched section of one of the
// pictures, now and then a flash of the large shape, and every tick eleven
// outline pieces in new places and colours.
class Decoration {
public:
    Decoration(const DecorControls& controls, RandomSource& random);

    void KazariTim_Timer();

    // The size of the picture section stretched over the whole area.
    static constexpr double SectionSize = 500;

private:
    DecorControls m_controls;
    RandomSource& m_random;
};

} // namespace hanashi
