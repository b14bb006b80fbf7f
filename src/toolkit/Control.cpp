// SPDX-License-Identifier: MIT
#include "toolkit/Control.h"

#include "toolkit/Container.h"

namespace hanashi {

Control::Control(Container& container)
    : m_container(container) {
    container.attach(this);
}

Control::~Control() {
    m_container.detach(this);
}

void Control::Move(double left, double top, double width, double height) {
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    updatePixelGeometry();
}

void Control::setVisible(bool visible) {
    m_visible = visible;
    applyVisible(visible);
}

void Control::updatePixelGeometry() {
    m_pixelRect = m_container.scaleSpace().toPixels(m_left, m_top, m_width, m_height);
    applyGeometry(m_pixelRect);
}

void Control::copyPlacement(const Control& other) {
    m_left = other.m_left;
    m_top = other.m_top;
    m_width = other.m_width;
    m_height = other.m_height;
    updatePixelGeometry();
}

} // namespace hanashi
