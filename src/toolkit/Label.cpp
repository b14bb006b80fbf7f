// SPDX-License-Identifier: MIT
#include "toolkit/Label.h"

#include "toolkit/Container.h"
#include "toolkit/Form.h"
#include "toolkit/LabelAccessible.h"
#include "toolkit/UiFont.h"

#include <QAccessible>
#include <QLabel>
#include <QMouseEvent>

namespace hanashi {

namespace {

std::int16_t buttonOf(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return LeftButton;
    case Qt::RightButton:
        return RightButton;
    case Qt::MiddleButton:
        return MiddleButton;
    default:
        return 0;
    }
}

std::int16_t shiftOf(Qt::KeyboardModifiers modifiers) {
    std::int16_t shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= ShiftMask;
    if (modifiers & Qt::ControlModifier)
        shift |= CtrlMask;
    if (modifiers & Qt::AltModifier)
        shift |= AltMask;
    return shift;
}

} // namespace

class Label::Widget : public QLabel {
public:
    Widget(Label& owner, QWidget* parent)
        : QLabel(parent)
        , m_owner(owner) {}

    Label& owner() const { return m_owner; }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        m_pressed = true;
        m_owner.mouseDown(buttonOf(event->button()), shiftOf(event->modifiers()),
                          static_cast<float>(event->position().x()),
                          static_cast<float>(event->position().y()));
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const bool wasPressed = m_pressed;
        m_pressed = false;
        m_owner.mouseUp(buttonOf(event->button()), shiftOf(event->modifiers()),
                        static_cast<float>(event->position().x()),
                        static_cast<float>(event->position().y()));
        // A click is a press and a release over the same label; the mouse-up
        // handler may have hidden it meanwhile, which ends the click.
        if (wasPressed && isVisible() && rect().contains(event->position().toPoint()))
            m_owner.click();
    }

private:
    Label& m_owner;
    bool m_pressed = false;
};

Label::Label(Container& container, const QString& caption, BackStyle backStyle)
    : Control(container)
    , m_widget(new Widget(*this, container.hostWidget()))
    , m_backStyle(backStyle) {
    installLabelAccessibility();
    m_widget->setTextFormat(Qt::PlainText);
    m_widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_widget->setFont(uiFont(m_fontSize));
    setCaption(caption);
    applyPalette();
}

Label::~Label() {
    delete m_widget;
}

std::unique_ptr<Label> Label::cloneHidden(std::int16_t index) const {
    auto copy = std::make_unique<Label>(container(), m_caption, m_backStyle);
    copy->m_index = index;
    copy->m_foreColor = m_foreColor;
    copy->m_backColor = m_backColor;
    copy->m_borderStyle = m_borderStyle;
    copy->m_accessibleRole = m_accessibleRole;
    copy->setAccessibleName(m_widget->accessibleName());
    copy->setFontSize(m_fontSize);
    copy->m_widget->setAlignment(m_widget->alignment());
    copy->m_widget->setWordWrap(m_widget->wordWrap());
    copy->m_widget->setFrameShape(m_widget->frameShape());
    copy->applyPalette();
    copy->m_onClick = m_onClick;
    copy->m_onMouseDown = m_onMouseDown;
    copy->m_onMouseUp = m_onMouseUp;
    copy->copyPlacement(*this);
    copy->setVisible(false);
    return copy;
}

void Label::setCaption(const QString& caption) {
    m_caption = caption;
    // Only a screen reader listening needs the text as it was.
    const bool tellLog = m_accessibleRole == AccessibleRole::Log && QAccessible::isActive();
    const QString before = tellLog ? m_widget->text() : QString();
    // QLabel breaks at a bare LF; a CR left in would draw as a space. Most
    // captions (the star bar, an answer) hold none, and are not scanned twice.
    if (!caption.contains(QLatin1Char('\r'))) {
        m_widget->setText(caption);
    } else {
        QString shown = caption;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        m_widget->setText(shown);
    }
    if (tellLog) {
        const QString after = m_widget->text();
        tellLogChange(*m_widget, before, after);
        container().form().announce(after.section(QLatin1Char('\n'), -1));
    }
}

void Label::setForeColor(Colour colour) {
    m_foreColor = colour;
    applyPalette();
}

void Label::setBackColor(Colour colour) {
    m_backColor = colour;
    applyPalette();
}

void Label::setBackStyle(BackStyle style) {
    m_backStyle = style;
    applyPalette();
}

void Label::setBorderStyle(std::int16_t style) {
    m_borderStyle = style;
    m_widget->setFrameShape(style ? QFrame::Box : QFrame::NoFrame);
}

void Label::setFontSize(double points) {
    m_fontSize = points;
    m_widget->setFont(uiFont(points));
}

void Label::setAlignment(int alignment) {
    m_widget->setAlignment(Qt::Alignment(alignment));
}

void Label::setWordWrap(bool wrap) {
    m_widget->setWordWrap(wrap);
}

void Label::setAccessibleName(const QString& name) {
    m_widget->setAccessibleName(name);
}

void Label::setBuddy(QWidget* control) {
    m_widget->setBuddy(control);
}

QLabel* Label::widget() const {
    return m_widget;
}

Label* Label::ownerOf(QObject* widget) {
    auto* ours = dynamic_cast<Widget*>(widget);
    return ours ? &ours->owner() : nullptr;
}

void Label::mouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
    if (m_onMouseDown)
        container().form().dispatch([&] { m_onMouseDown(m_index, button, shift, x, y); });
}

void Label::mouseUp(std::int16_t button, std::int16_t shift, float x, float y) {
    if (m_onMouseUp)
        container().form().dispatch([&] { m_onMouseUp(m_index, button, shift, x, y); });
}

void Label::click() {
    if (m_onClick)
        container().form().dispatch([&] { m_onClick(m_index); });
}

void Label::applyGeometry(const QRect& pixels) {
    m_widget->setGeometry(pixels);
}

void Label::applyVisible(bool visible) {
    m_widget->setVisible(visible);
}

void Label::applyPalette() {
    QPalette palette = m_widget->palette();
    palette.setColor(QPalette::WindowText, toQColor(m_foreColor));
    palette.setColor(QPalette::Window, toQColor(m_backColor));
    m_widget->setPalette(palette);
    m_widget->setAutoFillBackground(m_backStyle == Opaque);
}

} // namespace hanashi
