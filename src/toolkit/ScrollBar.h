// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/Control.h"

#include <QPointer>
#include <cstdint>
#include <functional>

class QScrollBar;

namespace hanashi {

// A horizontal scroll bar, created with minimum 0, maximum 32767, small and
// large change 1 and value 0 (Qt's own 0..99 would clamp a first value of
// 1500). The change handler runs on every change of the value, by the user or
// by code, and never when the value stays the same; the scroll handler runs
// while the thumb is dragged, when Value() already reads the thumb's place.
// The change at the end of a drag runs the change handler once more. The
// Left and Right keys move the thumb the way they point; a bar with the focus
// shows a mark.
class ScrollBar : public Control {
public:
    explicit ScrollBar(Container& container);
    ~ScrollBar() override;

    // Each property reads back as it was set, as every control's does.
    std::int16_t Min() const;
    std::int16_t Max() const;
    std::int16_t SmallChange() const;
    std::int16_t LargeChange() const;
    // The thumb's position: during a drag, where the thumb is now.
    std::int16_t Value() const;

    void setMin(std::int16_t minimum);
    void setMax(std::int16_t maximum);
    void setSmallChange(std::int16_t step);
    void setLargeChange(std::int16_t step);
    // A value outside Min..Max is a run-time error.
    void setValue(std::int16_t value);

    void setChangeHandler(std::function<void()> handler) { m_onChange = std::move(handler); }
    void setScrollHandler(std::function<void()> handler) { m_onScroll = std::move(handler); }

    QScrollBar* widget() const;

protected:
    void applyGeometry(const QRect& pixels) override;
    void applyVisible(bool visible) override;

private:
    class Widget;
    QPointer<QScrollBar> m_bar;
    std::function<void()> m_onChange;
    std::function<void()> m_onScroll;
};

} // namespace hanashi
