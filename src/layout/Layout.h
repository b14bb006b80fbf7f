// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/CommandButton.h"
#include "toolkit/ControlArray.h"
#include "toolkit/Form.h"
#include "toolkit/Label.h"
#include "toolkit/PictureBox.h"
#include "toolkit/ScrollBar.h"
#include "toolkit/Shape.h"

#include <cstdint>
#include <functional>

namespace hanashi {

// The controls a layout pass places.
struct LayoutControls {
    Form& window;
    Label& LBl;
    ControlArray<Label>& QstLbl;
    PictureBox& QstPic;
    Shape& QstShp;
    Label& ScrLBl;
    CommandButton& EndCom;
    CommandButton& HelpCom;
    ScrollBar& LBlHscl;
    ScrollBar& QstHscl;
    Label& LBlHsclLBl;
    Label& QstHsclLBl;
    PictureBox& KazariPic;
    Shape& ShpKazari;
};

// One layout pass: the window in 8 x 6 units, every control placed, coloured
// and sized, the font sizes from the screen's height, and as its last step the
// story started again (startStory).
void layOutWindow(const LayoutControls& controls, int screenHeightTwips,
                  const std::function<void()>& startStory);

} // namespace hanashi
