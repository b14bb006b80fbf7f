// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/Colour.h"
#include "toolkit/Container.h"
#include "toolkit/Control.h"
#include "toolkit/Picture.h"

#include <QImage>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <vector>

class QWidget;

namespace hanashi {

class Shape;

// A picture box: a control with a scale of its own, a picture, a drawing
// surface that keeps what is drawn on it until the next clear, and shapes
// drawn over that surface in their stacking order. With the focus it shows a
// mark over all that.
class PictureBox : public Control, public Container {
public:
    explicit PictureBox(Container& container);
    ~PictureBox() override;

    std::unique_ptr<PictureBox> cloneHidden(std::int16_t index) const;
    std::int16_t index() const { return m_index; }

    QWidget* hostWidget() override;
    Form& form() override { return container().form(); }

    // Scale: a user scale, or pixels (the inner size, origin top-left).
    void setScale(double left, double top, double width, double height);
    void setScaleMode(ScaleMode mode);

    // Each property reads back as it was set, as every control's does.
    Colour backColor() const { return m_backColor; }
    // Like a clear: the drawing takes the new back colour.
    void setBackColor(Colour colour);
    std::int16_t borderStyle() const { return m_borderStyle; }
    void setBorderStyle(std::int16_t style);
    // What assistive technology calls the box when the focus reaches it.
    void setAccessibleName(const QString& name);

    const QImage& picture() const { return m_picture.image(); }
    void setPicture(const Picture& picture);

    // Clears the drawing to the back colour.
    void Cls();
    // Stretches the source section of picture (in this box's units) over the
    // destination (in this box's units). The part of the destination whose
    // source lies outside the picture is left as it was.
    void PaintPicture(const QImage& picture, double destLeft, double destTop, double destWidth,
                      double destHeight, double srcLeft, double srcTop, double srcWidth,
                      double srcHeight);

    // The shapes, back to front: the box's stacking order, which any holder
    // of shapes can be asked for.
    const std::vector<Shape*>& shapes() const { return m_shapes; }
    // Used by Shape.
    void addShape(Shape* shape);
    void removeShape(Shape* shape);
    void restack(Shape* shape, bool toBack);
    void shapeChanged();

protected:
    void applyGeometry(const QRect& pixels) override;
    void applyVisible(bool visible) override;

private:
    class Widget;
    void resizeDrawing(QSize inner);
    void paintOn(QPainter& painter) const;

    QPointer<Widget> m_widget;
    std::int16_t m_index = 0;
    Colour m_backColor = RGB(0, 0, 0);
    std::int16_t m_borderStyle = 0;
    Picture m_picture;
    QImage m_drawing;
    std::vector<Shape*> m_shapes;
};

} // namespace hanashi
