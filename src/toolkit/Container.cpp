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

void Container::relayoutChildren() {
    for (Control* child : m_children)
        child->updatePixelGeometry();
}

} // namespace hanashi
