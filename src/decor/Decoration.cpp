// SPDX-License-Identifier: MIT
#include "decor/Decoration.h"

#include "decor/DecorPlan.h"

namespace hanashi {

Decoration::Decoration(const DecorControls& controls, RandomSource& random)
    : m_controls(controls)
    , m_random(random) {}

void Decoration::KazariTim_Timer() {
    PictureBox& box = m_controls.KazariPic;
    const auto width = static_cast<float>(box.ScaleWidth());
    const auto height = static_cast<float>(box.ScaleHeight());
    const DecorPlan plan = planDecorTick(m_random, width, height, m_controls.E.count());

    if (plan.background) {
        box.Cls();
        box.PaintPicture(m_controls.E(plan.picture).picture(), 0, 0, width, height, plan.sourceLeft,
                         plan.sourceTop, SectionSize, SectionSize);
    }
    if (plan.flash) {
        m_controls.ShpKazari.setFillColor(plan.flashColour);
        m_controls.ShpKazari.show();
    } else {
        m_controls.ShpKazari.hide();
    }
    for (std::int16_t i = 0; i <= 10; ++i) {
        const DecorPlan::Piece& piece = plan.pieces[static_cast<std::size_t>(i)];
        Shape& shape = m_controls.Shp(i);
        shape.Move(piece.left, piece.top, piece.width, piece.height);
        shape.setBorderColor(piece.border);
        shape.show();
    }
}

} // namespace hanashi
