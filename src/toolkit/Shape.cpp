// SPDX-License-Identifier: MIT
#include "toolkit/Shape.h"

#include "toolkit/PictureBox.h"

#include <QPainter>

namespace hanashi {

Shape::Shape(PictureBox& box, Figure figure)
    : Control(static_cast<Container&>(box))
    , m_box(box)
    , m_figure(figure) {
    m_box.addShape(this);
}

Shape::~Shape() {
    m_box.removeShape(this);
}

std::unique_ptr<Shape> Shape::cloneHidden(std::int16_t index) const {
    auto copy = std::make_unique<Shape>(m_box, m_figure);
    copy->m_index = index;
    copy->m_borderColor = m_borderColor;
    copy->m_borderStyle = m_borderStyle;
    copy->m_fillColor = m_fillColor;
    copy->m_fillStyle = m_fillStyle;
    copy->setVisible(false);
    copy->copyPlacement(*this);
    return copy;
}

void Shape::setBorderColor(Colour colour) {
    m_borderColor = colour;
    m_box.shapeChanged();
}

void Shape::setBorderStyle(std::int16_t style) {
    m_borderStyle = style;
    m_box.shapeChanged();
}

void Shape::setFillColor(Colour colour) {
    m_fillColor = colour;
    m_box.shapeChanged();
}

void Shape::setFillStyle(FillStyle style) {
    m_fillStyle = style;
    m_box.shapeChanged();
}

void Shape::ZOrder(int position) {
    m_box.restack(this, position == 1);
}

void Shape::paint(QPainter& painter) const {
    const QRect r = pixelRect();
    if (!isVisible() || r.width() <= 0 || r.height() <= 0)
        return;
    QBrush brush(Qt::NoBrush);
    if (m_fillStyle == Solid)
        brush = QBrush(toQColor(m_fillColor));
    else if (m_fillStyle == Cross)
        brush = QBrush(toQColor(m_fillColor), Qt::CrossPattern);
    painter.setBrush(brush);
    if (m_borderStyle == 0) {
        painter.setPen(Qt::NoPen);
    } else {
        QPen pen(toQColor(m_borderColor));
        pen.setWidth(1);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
    }
    // The outline lies inside the rectangle, as wide as one pixel.
    const QRectF inside = m_borderStyle == 0 ? QRectF(r) : QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
    switch (m_figure) {
    case Oval:
    case Circle:
        painter.drawEllipse(inside);
        break;
    case Rectangle:
    case Square:
        painter.drawRect(inside);
        break;
    }
}

void Shape::applyGeometry(const QRect&) {
    m_box.shapeChanged();
}

void Shape::applyVisible(bool) {
    m_box.shapeChanged();
}

} // namespace hanashi
