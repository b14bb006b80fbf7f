// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/Colour.h"
#include "toolkit/Control.h"

#include <cstdint>
#include <memory>

class QPainter;

namespace hanashi {

class PictureBox;

// A lightweight figure drawn by its picture box over the box's drawing, in the
// box's stacking order. It has no widget of its own.
class Shape : public Control {
public:
    enum Figure : std::int16_t { Rectangle = 0, Square = 1, Oval = 2, Circle = 3 };
    enum FillStyle : std::int16_t { Solid = 0, TransparentFill = 1, Cross = 6 };

    Shape(PictureBox& box, Figure figure);
    ~Shape() override;

    std::unique_ptr<Shape> cloneHidden(std::int16_t index) const;
    std::int16_t index() const { return m_index; }

    // Each property reads back as it was set, as every control's does.
    Figure figure() const { return m_figure; }
    Colour borderColor() const { return m_borderColor; }
    void setBorderColor(Colour colour);
    // 0 draws no outline, 1 a solid one.
    std::int16_t borderStyle() const { return m_borderStyle; }
    void setBorderStyle(std::int16_t style);
    Colour fillColor() const { return m_fillColor; }
    void setFillColor(Colour colour);
    FillStyle fillStyle() const { return m_fillStyle; }
    void setFillStyle(FillStyle style);

    // Position 0 brings it to the front of its box, 1 sends it to the back.
    void ZOrder(int position);

    void paint(QPainter& painter) const;

protected:
    void applyGeometry(const QRect& pixels) override;
    void applyVisible(bool visible) override;

private:
    PictureBox& m_box;
    std::int16_t m_index = 0;
    Figure m_figure;
    Colour m_borderColor = RGB(0, 0, 0);
    std::int16_t m_borderStyle = 1;
    Colour m_fillColor = RGB(0, 0, 0);
    FillStyle m_fillStyle = TransparentFill;
};

} // namespace hanashi
