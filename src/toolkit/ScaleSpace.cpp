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
    switch (m_mode) {
    case ScaleMode::Twips:
        return m_pixels.width() * TwipsPerPixel;
    case ScaleMode::Pixels:
        return m_pixels.width();
    case ScaleMode::User:
        break;
    }
    return m_width;
}

double ScaleSpace::scaleHeight() const {
    switch (m_mode) {
    case ScaleMode::Twips:
        return m_pixels.height() * TwipsPerPixel;
    case ScaleMode::Pixels:
        return m_pixels.height();
    case ScaleMode::User:
        break;
    }
    return m_height;
}

double ScaleSpace::pixelsPerUnitX() const {
    switch (m_mode) {
    case ScaleMode::Twips:
        return 1.0 / TwipsPerPixel;
    case ScaleMode::Pixels:
        return 1.0;
    case ScaleMode::User:
        break;
    }
    return m_width == 0 ? 0.0 : m_pixels.width() / m_width;
}

double ScaleSpace::pixelsPerUnitY() const {
    switch (m_mode) {
    case ScaleMode::Twips:
        return 1.0 / TwipsPerPixel;
    case ScaleMode::Pixels:
        return 1.0;
    case ScaleMode::User:
        break;
    }
    return m_height == 0 ? 0.0 : m_pixels.height() / m_height;
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
