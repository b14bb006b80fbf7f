// SPDX-License-Identifier: MIT
#include "toolkit/CommandButton.h"

#include "toolkit/Container.h"
#include "toolkit/Form.h"

#include <QPainter>
#include <QPushButton>

namespace hanashi {

// Painted by hand: a style's gradient and bevel would leave no pixel in the
// back colour and inset the face from the rectangle the layout gave it.
class CommandButton::Widget : public QPushButton {
public:
    Widget(CommandButton& owner, const QString& caption, QWidget* parent)
        : QPushButton(caption, parent)
        , m_owner(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect face = rect();
        const QColor back = toQColor(m_owner.backColor());
        painter.fillRect(face, back);
        const QColor ink = palette().color(QPalette::ButtonText);
        // Pressed: a sunken edge on the face's own outer pixels, and the
        // caption one pixel down and right.
        if (isDown()) {
            painter.setPen(back.darker(170));
            painter.drawRect(face.adjusted(0, 0, -1, -1));
        }
        if (hasFocus()) {
            const QRect mark = face.adjusted(3, 3, -4, -4);
            if (mark.width() > 0 && mark.height() > 0) {
                painter.setPen(QPen(ink, 1, Qt::DotLine));
                painter.drawRect(mark);
            }
        }
        painter.setPen(ink);
        painter.setFont(font());
        painter.drawText(isDown() ? face.translated(1, 1) : face, Qt::AlignCenter, text());
    }

private:
    CommandButton& m_owner;
};

CommandButton::CommandButton(Container& container, const QString& caption)
    : Control(container)
    , m_button(new Widget(*this, caption, container.hostWidget()))
    , m_backColor(RGB(240, 240, 240)) {
    QObject::connect(m_button, &QPushButton::clicked,
                     [this] { this->container().form().dispatch(m_onClick); });
}

CommandButton::~CommandButton() {
    delete m_button;
}

QString CommandButton::caption() const {
    return m_button->text();
}

void CommandButton::setCaption(const QString& caption) {
    m_button->setText(caption);
}

void CommandButton::setBackColor(Colour colour) {
    m_backColor = colour;
    QPalette palette = m_button->palette();
    palette.setColor(QPalette::Button, toQColor(colour));
    m_button->setPalette(palette);
    m_button->update();
}

QPushButton* CommandButton::widget() const {
    return m_button;
}

void CommandButton::applyGeometry(const QRect& pixels) {
    m_button->setGeometry(pixels);
}

void CommandButton::applyVisible(bool visible) {
    m_button->setVisible(visible);
}

} // namespace hanashi
