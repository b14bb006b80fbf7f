// SPDX-License-Identifier: MIT
#include "toolkit/Container.h"

#include "toolkit/Control.h"

#include <algorithm>

namespace hanashi {

void Container::attach(Control* control) {
    m_children.push_back(control);
}

void Container::detach(Control* control) {
    m_children.erase(std::remove(m_children.begin(), m_children.end(), control), m_children.end());
}

void Container::rebaseChildren(const ScaleSpace& before) {
    const bool keepUnits = !before.invertible() || !m_space.invertible();
    for (Control* child : m_children) {
        if (keepUnits) {
            child->updatePixelGeometry();
            continue;
        }
        const double x0 = before.toExactPixelX(child->left());
        const double y0 = before.toExactPixelY(child->top());
        const double x1 = before.toExactPixelX(child->left() + child->width());
        const double y1 = before.toExactPixelY(child->top() + child->height());
        const double left = m_space.fromExactPixelX(x0);
        const double top = m_space.fromExactPixelY(y0);
        child->Move(left, top, m_space.fromExactPixelX(x1) - left,
                    m_space.fromExactPixelY(y1) - top);
    }
}

} // namespace hanashi
