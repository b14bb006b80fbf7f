// SPDX-License-Identifier: MIT
#include "toolkit/PictureBox.h"

#include "toolkit/FocusMark.h"
#include "toolkit/Shape.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace hanashi {

class PictureBox::Widget : public QWidget {
public:
    Widget(PictureBox& owner, QWidget* parent)
        : QWidget(parent)
        , m_owner(owner) {
        // Every pixel is painted by paintEvent.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_owner.paintOn(painter);
        // Over the drawing, never in it: what the box shows and keeps stays
        // the program's own.
        if (hasFocus()) {
            painter.resetTransform();
            drawFocusMark(painter, rect());
        }
    }

private:
    PictureBox& m_owner;
};

PictureBox::PictureBox(Container& container)
    : Control(container)
    , m_widget(new Widget(*this, container.hostWidget())) {
    space().setMode(ScaleMode::Twips);
}

PictureBox::~PictureBox() {
    delete m_widget;
}

std::unique_ptr<PictureBox> PictureBox::cloneHidden(std::int16_t index) const {
    auto copy = std::make_unique<PictureBox>(Control::container());
    copy->m_index = index;
    copy->m_backColor = m_backColor;
    copy->m_borderStyle = m_borderStyle;
    copy->space() = scaleSpace();
    copy->setVisible(false);
    copy->copyPlacement(*this);
    return copy;
}

QWidget* PictureBox::hostWidget() {
    return m_widget;
}

void PictureBox::setScale(double left, double top, double width, double height) {
    changeSpace([&](ScaleSpace& s) { s.setUser(left, top, width, height); });
}

void PictureBox::setScaleMode(ScaleMode mode) {
    changeSpace([&](ScaleSpace& s) { s.setMode(mode); });
}

void PictureBox::setBackColor(Colour colour) {
    m_backColor = colour;
    Cls();
}

void PictureBox::setBorderStyle(std::int16_t style) {
    m_borderStyle = style;
    applyGeometry(pixelRect());
}

void PictureBox::setAccessibleName(const QString& name) {
    m_widget->setAccessibleName(name);
}

namespace {

// A part of a picture converted to another format. A stored picture is read
// in place; other formats, which may have a colour table, are copied first.
QImage partIn(const QImage& picture, const QRect& part, QImage::Format format) {
    if (picture.format() != PictureFormat)
        return picture.copy(part).convertToFormat(format);
    const uchar* first = picture.constScanLine(part.top()) + part.left() * 3;
    return QImage(first, part.width(), part.height(), picture.bytesPerLine(), PictureFormat)
        .convertToFormat(format);
}

} // namespace

void PictureBox::setPicture(const Picture& picture) {
    m_picture = picture;
}

void PictureBox::Cls() {
    m_drawing.fill(toQColor(m_backColor));
    m_widget->update();
}

void PictureBox::PaintPicture(const QImage& picture, double destLeft, double destTop,
                              double destWidth, double destHeight, double srcLeft, double srcTop,
                              double srcWidth, double srcHeight) {
    const ScaleSpace& s = scaleSpace();
    const QRectF dest(s.toPixelX(destLeft), s.toPixelY(destTop), destWidth * s.pixelsPerUnitX(),
                      destHeight * s.pixelsPerUnitY());
    const QRectF src(srcLeft * s.pixelsPerUnitX(), srcTop * s.pixelsPerUnitY(),
                     srcWidth * s.pixelsPerUnitX(), srcHeight * s.pixelsPerUnitY());
    if (picture.isNull() || dest.isEmpty() || src.isEmpty() || m_drawing.isNull())
        return;
    // Only the part of the section that lies on the picture is drawn, at the
    // place of the destination it maps to.
    const QRectF onPicture = src.intersected(QRectF(picture.rect()));
    if (onPicture.isEmpty())
        return;
    const double sx = dest.width() / src.width();
    const double sy = dest.height() / src.height();
    const QRectF target(dest.left() + (onPicture.left() - src.left()) * sx,
                        dest.top() + (onPicture.top() - src.top()) * sy, onPicture.width() * sx,
                        onPicture.height() * sy);
    // Qt stretches only pictures in the drawing's own format by its fast
    // path; the part that is drawn is converted first, so that any picture
    // lands on the same pixels. Whole pixels move the section, not its scale.
    const bool sameFormat = picture.format() == m_drawing.format();
    const QRect part = sameFormat ? picture.rect() : onPicture.toAlignedRect() & picture.rect();
    const QImage section = sameFormat ? picture : partIn(picture, part, m_drawing.format());
    const QPointF shift = part.topLeft();
    QPainter painter(&m_drawing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, section, onPicture.translated(-shift));
    painter.end();
    m_widget->update();
}

void PictureBox::addShape(Shape* shape) {
    m_shapes.push_back(shape);
    shapeChanged();
}

void PictureBox::removeShape(Shape* shape) {
    m_shapes.erase(std::remove(m_shapes.begin(), m_shapes.end(), shape), m_shapes.end());
    shapeChanged();
}

void PictureBox::restack(Shape* shape, bool toBack) {
    removeShape(shape);
    if (toBack)
        m_shapes.insert(m_shapes.begin(), shape);
    else
        m_shapes.push_back(shape);
    shapeChanged();
}

void PictureBox::shapeChanged() {
    if (m_widget)
        m_widget->update();
}

void PictureBox::applyGeometry(const QRect& pixels) {
    m_widget->setGeometry(pixels);
    // A box takes the focus like any control, but one with no pixel on the
    // screen (a picture holder) would swallow a Tab press unseen.
    m_widget->setFocusPolicy(pixels.isEmpty() ? Qt::NoFocus : Qt::StrongFocus);
    const int border = m_borderStyle ? 1 : 0;
    resizeDrawing(pixels.size().shrunkBy(QMargins(border, border, border, border)));
    changeSpace([&](ScaleSpace& s) { s.setPixelSize(m_drawing.size()); });
}

void PictureBox::applyVisible(bool visible) {
    m_widget->setVisible(visible);
}

void PictureBox::resizeDrawing(QSize inner) {
    inner = inner.expandedTo(QSize(0, 0));
    if (inner == m_drawing.size())
        return;
    // What was drawn stays where it was, not rescaled; new area is back colour.
    QImage resized(inner, QImage::Format_RGB32);
    resized.fill(toQColor(m_backColor));
    if (!m_drawing.isNull() && !resized.isNull()) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, m_drawing);
    }
    m_drawing = resized;
}

void PictureBox::paintOn(QPainter& painter) const {
    const int border = m_borderStyle ? 1 : 0;
    if (border) {
        painter.setPen(Qt::gray);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(m_widget->rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    painter.translate(border, border);
    painter.drawImage(0, 0, m_drawing);
    for (const Shape* shape : m_shapes)
        shape->paint(painter);
}

} // namespace hanashi
