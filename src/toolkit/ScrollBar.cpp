// SPDX-License-Identifier: MIT
#include "toolkit/ScrollBar.h"

#include "platform/RuntimeError.h"
#include "toolkit/Container.h"
#include "toolkit/FocusMark.h"
#include "toolkit/Form.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace hanashi {

class ScrollBar::Widget : public QScrollBar {
public:
    explicit Widget(QWidget* parent)
        : QScrollBar(Qt::Horizontal, parent) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        QScrollBar::paintEvent(event);
        if (hasFocus()) {
            QPainter painter(this);
            drawFocusMark(painter, rect());
        }
    }

    // Qt's scroll bar moves its thumb away from the Left and Right arrows
    // (its controls are inverted, for a vertical bar's sake); here the thumb
    // goes the way the arrow points, on the screen, in either direction of
    // writing.
    void keyPressEvent(QKeyEvent* event) override {
        const bool left = event->key() == Qt::Key_Left;
        if (!left && event->key() != Qt::Key_Right) {
            QScrollBar::keyPressEvent(event);
            return;
        }
        const bool towardsMinimum = left != isRightToLeft();
        triggerAction(towardsMinimum ? SliderSingleStepSub : SliderSingleStepAdd);
        event->accept();
    }
};

ScrollBar::ScrollBar(Container& container)
    : Control(container)
    , m_bar(new Widget(container.hostWidget())) {
    // The range first: a value set before it would be clamped to 99.
    m_bar->setRange(0, 32767);
    m_bar->setSingleStep(1);
    m_bar->setPageStep(1);
    m_bar->setValue(0);
    // Without tracking a drag reports only thumb moves, and the value changes
    // once, at the release.
    m_bar->setTracking(false);
    // Qt's bars leave the focus to the view they scroll; this one is a
    // control of its own, reached by Tab and moved with the arrow keys.
    m_bar->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(m_bar, &QScrollBar::valueChanged,
                     [this] { this->container().form().dispatch(m_onChange); });
    QObject::connect(m_bar, &QScrollBar::sliderMoved,
                     [this] { this->container().form().dispatch(m_onScroll); });
}

ScrollBar::~ScrollBar() {
    delete m_bar;
}

std::int16_t ScrollBar::Min() const {
    return static_cast<std::int16_t>(m_bar->minimum());
}

std::int16_t ScrollBar::Max() const {
    return static_cast<std::int16_t>(m_bar->maximum());
}

std::int16_t ScrollBar::SmallChange() const {
    return static_cast<std::int16_t>(m_bar->singleStep());
}

std::int16_t ScrollBar::LargeChange() const {
    return static_cast<std::int16_t>(m_bar->pageStep());
}

std::int16_t ScrollBar::Value() const {
    return static_cast<std::int16_t>(m_bar->sliderPosition());
}

void ScrollBar::setMin(std::int16_t minimum) {
    m_bar->setMinimum(minimum);
}

void ScrollBar::setMax(std::int16_t maximum) {
    m_bar->setMaximum(maximum);
}

void ScrollBar::setSmallChange(std::int16_t step) {
    m_bar->setSingleStep(step);
}

void ScrollBar::setLargeChange(std::int16_t step) {
    m_bar->setPageStep(step);
}

void ScrollBar::setValue(std::int16_t value) {
    if (value < m_bar->minimum() || value > m_bar->maximum())
        throw RuntimeError(QStringLiteral("Invalid scroll bar value %1 (range %2 to %3)")
                               .arg(value)
                               .arg(m_bar->minimum())
                               .arg(m_bar->maximum()));
    m_bar->setValue(value);
}

QScrollBar* ScrollBar::widget() const {
    return m_bar;
}

void ScrollBar::applyGeometry(const QRect& pixels) {
    m_bar->setGeometry(pixels);
}

void ScrollBar::applyVisible(bool visible) {
    m_bar->setVisible(visible);
}

} // namespace hanashi
