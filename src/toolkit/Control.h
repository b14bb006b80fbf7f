// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

namespace hanashi {

class Container;

// What every control has: a rectangle in its container's units, kept as set
// (reading it back gives the value just set), and its own visibility flag.
class Control {
public:
    explicit Control(Container& container);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    void Move(double left, double top, double width, double height);
    double left() const { return m_left; }
    double top() const { return m_top; }
    double width() const { return m_width; }
    double height() const { return m_height; }
    void setLeft(double left) { Move(left, m_top, m_width, m_height); }
    void setTop(double top) { Move(m_left, top, m_width, m_height); }
    void setWidth(double width) { Move(m_left, m_top, width, m_height); }
    void setHeight(double height) { Move(m_left, m_top, m_width, height); }

    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);
    void show() { setVisible(true); }
    void hide() { setVisible(false); }

    Container& container() const { return m_container; }
    // Where the control lies in its container's inner pixels.
    QRect pixelRect() const { return m_pixelRect; }

    // Recomputes the pixel rectangle from the units; the container calls it
    // when its scale or size changes.
    void updatePixelGeometry();

protected:
    virtual void applyGeometry(const QRect& pixels) = 0;
    virtual void applyVisible(bool visible) = 0;
    // For copies: the rectangle and visibility of another control.
    void copyPlacement(const Control& other);

private:
    Container& m_container;
    double m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    bool m_visible = true;
    QRect m_pixelRect;
};

} // namespace hanashi
