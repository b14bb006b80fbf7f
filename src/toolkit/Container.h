// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/ScaleSpace.h"

#include <vector>

class QWidget;

namespace hanashi {

class Control;
class Form;

// Something that holds controls and gives them its coordinate system: the
// window and the picture boxes.
class Container {
public:
    virtual ~Container() = default;

    // The widget that child widgets are parented to.
    virtual QWidget* hostWidget() = 0;
    // The window the container lies in, whose dispatch runs its controls'
    // handlers.
    virtual Form& form() = 0;

    const ScaleSpace& scaleSpace() const { return m_space; }
    double ScaleWidth() const { return m_space.scaleWidth(); }
    double ScaleHeight() const { return m_space.scaleHeight(); }

    void attach(Control* control);
    void detach(Control* control);

protected:
    // Changes the scale or the inner size. Children stay where they are on
    // the screen; their positions in units follow the new scale.
    template <typename F>
    void changeSpace(F change) {
        const ScaleSpace before = m_space;
        change(m_space);
        rebaseChildren(before);
    }
    ScaleSpace& space() { return m_space; }

private:
    void rebaseChildren(const ScaleSpace& before);

    ScaleSpace m_space;
    std::vector<Control*> m_children;
};

} // namespace hanashi
