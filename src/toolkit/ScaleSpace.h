// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QSize>

namespace hanashi {

// How a container measures its inside.
enum class ScaleMode {
    Twips,  // 1/1440 inch, 15 to a pixel at 96 dpi: a new window's own units
    Pixels, // the inner size in pixels, origin top-left
    User,   // a left, top, width and height of the code's choosing
};

// A container's coordinate system: maps its units onto its inner pixels.
// Edges are rounded, not sizes, so controls that meet in units meet in pixels
// too, with no gap and no overlap.
class ScaleSpace {
public:
    static constexpr double TwipsPerPixel = 15.0;

    void setPixelSize(QSize size) { m_pixels = size; }
    QSize pixelSize() const { return m_pixels; }

    void setMode(ScaleMode mode);
    void setUser(double left, double top, double width, double height);
    ScaleMode mode() const { return m_mode; }

    double scaleLeft() const;
    double scaleTop() const;
    double scaleWidth() const;
    double scaleHeight() const;

    int toPixelX(double x) const;
    int toPixelY(double y) const;
    // The pixel rectangle of a rectangle in units; a negative size counts as 0.
    QRect toPixels(double left, double top, double width, double height) const;
    // Exact (unrounded) pixel coordinates of a point in units, and back. Back
    // is only possible while the scale has a non-zero pixel extent.
    double toExactPixelX(double x) const { return (x - scaleLeft()) * pixelsPerUnitX(); }
    double toExactPixelY(double y) const { return (y - scaleTop()) * pixelsPerUnitY(); }
    double fromExactPixelX(double px) const { return px / pixelsPerUnitX() + scaleLeft(); }
    double fromExactPixelY(double py) const { return py / pixelsPerUnitY() + scaleTop(); }
    bool invertible() const { return pixelsPerUnitX() != 0 && pixelsPerUnitY() != 0; }
    // Pixel lengths of a horizontal and a vertical length in units.
    double pixelsPerUnitX() const;
    double pixelsPerUnitY() const;

private:
    ScaleMode m_mode = ScaleMode::Twips;
    double m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    QSize m_pixels;
};

} // namespace hanashi
