#pragma once

#include "toolkit/ScaleSpace.h"

#include <vector>

class QWidget;

namespace hanashi {

class Control;

// Something that holds controls and gives them its coordinate system: the
// window and the picture boxes.
class Container {
public:
    virtual ~Container() = default;

    // The widget that child widgets are parented to.
    virtual QWidget* hostWidget() = 0;

    const ScaleSpace& scaleSpace() const { return m_space; }
    double ScaleWidth() const { return m_space.scaleWidth(); }
    double ScaleHeight() const { return m_space.scaleHeight(); }

    void attach(Control* control);
    void detach(Control* control);

protected:
    // Places every child again after the scale or the inner size changed.
    void relayoutChildren();
    ScaleSpace& space() { return m_space; }

private:
    ScaleSpace m_space;
    std::vector<Control*> m_children;
};

} // namespace hanashi
