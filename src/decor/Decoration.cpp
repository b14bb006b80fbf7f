// SPDX-License-Identifier: MIT
#include "decor/Decoration.h"

#include "decor/DecorPlan.h"

namespace hanashi {

Decoration::Decoration(const DecorControls& controls, RandomSource& random)
    : m_c(controls)
    , m_random(random) {}

void Decoration::KazariTim_Timer() {
    PictureBox& box = m_c.KazariPic;
    const auto width = static_cast<float>(box.ScaleWidth());
    const auto height = static_cast<float>(box.ScaleHeight());
    const DecorPlan plan = planDecorTick(m_random, width, height, m_c.E.count());

    if (plan.background) {
        box.Cls();
        box.PaintPicture(m_c.E(plan.picture).picture(), 0, 0, width, height, plan.sourceLeft,
                         plan.sourceTop, SectionSize, SectionSize);
    }
    if (plan.flash) {
        m_c.ShpKazari.setFillColor(plan.flashColour);
        m_c.ShpKazari.show();
    } else {
        m_c.ShpKazari.hide();
    }
    for (std::int16_t i = 0; i <= 10; ++i) {
        const DecorPlan::Piece& piece = plan.pieces[static_cast<std::size_t>(i)];
        Shape& shape = m_c.Shp(i);
        shape.Move(piece.left, piece.top, piece.width, piece.height);
        shape.setBorderColor(piece.border);
        shape.show();
    }
}

} // namespace hanashi
