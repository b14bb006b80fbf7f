// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/ControlArray.h"
#include "toolkit/Label.h"
#include "toolkit/PictureBox.h"
#include "toolkit/ScrollBar.h"
#include "toolkit/Shape.h"
#include "toolkit/Timer.h"

namespace hanashi {

// The controls the story drives; the window hands them over.
struct StoryControls {
    Label& LBl;
    ControlArray<Label>& QstLbl;
    PictureBox& QstPic;
    Shape& QstShp;
    Label& ScrLBl;
    Timer& LBlTim;
    Timer& QstTim;
    ScrollBar& LBlHscl;
    ScrollBar& QstHscl;
};

} // namespace hanashi
