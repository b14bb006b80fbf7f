// SPDX-License-Identifier: MIT
#include "toolkit/ScaleSpace.h"

#include <algorithm>
#include <cmath>

namespace hanashi {

namespace {

int roundEdge(double pixels) {
    // The small bias keeps an edge that lands a hair below .5 through
    // floating-point error on the same pixel as its neighbour's edge.
    return static_cast<int>(std::floor(pixels + 0.5 + 1e-7));
}

// One axis of the inside: pixels across it, and the extent the code set in
// its own units.
double extent(ScaleMode mode, int pixels, double user) {
    switch (mode) {
    case ScaleMode::Twips:
        return pixels * ScaleSpace::TwipsPerPixel;
    case ScaleMode::Pixels:
        return pixels;
    case ScaleMode::User:
        break;
    }
    return user;
}

double pixelsPerUnit(ScaleMode mode, int pixels, double user) {
    switch (mode) {
    case ScaleMode::Twips:
        return 1.0 / ScaleSpace::TwipsPerPixel;
    case ScaleMode::Pixels:
        return 1.0;
    case ScaleMode::User:
        break;
    }
    return user == 0 ? 0.0 : pixels / user;
}

} // namespace

void ScaleSpace::setMode(ScaleMode mode) {
    m_mode = mode;
}

void ScaleSpace::setUser(double left, double top, double width, double height) {
    m_mode = ScaleMode::User;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
}

double ScaleSpace::scaleLeft() const {
    return m_mode == ScaleMode::User ? m_left : 0.0;
}

double ScaleSpace::scaleTop() const {
    return m_mode == ScaleMode::User ? m_top : 0.0;
}

double ScaleSpace::scaleWidth() const {
    return extent(m_mode, m_pixels.width(), m_width);
}

double ScaleSpace::scaleHeight() const {
    return extent(m_mode, m_pixels.height(), m_height);
}

double ScaleSpace::pixelsPerUnitX() const {
    return pixelsPerUnit(m_mode, m_pixels.width(), m_width);
}

double ScaleSpace::pixelsPerUnitY() const {
    return pixelsPerUnit(m_mode, m_pixels.height(), m_height);
}

int ScaleSpace::toPixelX(double x) const {
    return roundEdge((x - scaleLeft()) * pixelsPerUnitX());
}

int ScaleSpace::toPixelY(double y) const {
    return roundEdge((y - scaleTop()) * pixelsPerUnitY());
}

QRect ScaleSpace::toPixels(double left, double top, double width, double height) const {
    const int x0 = toPixelX(left);
    const int y0 = toPixelY(top);
    const int x1 = toPixelX(left + std::max(width, 0.0));
    const int y1 = toPixelY(top + std::max(height, 0.0));
    return QRect(x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0));
}

} // namespace hanashi
