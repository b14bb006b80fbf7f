// SPDX-License-Identifier: MIT
#include "toolkit/CommandButton.h"

#include "toolkit/Application.h"
#include "toolkit/Container.h"

#include <QPushButton>

namespace hanashi {

CommandButton::CommandButton(Container& container, const QString& caption)
    : Control(container)
    , m_button(new QPushButton(caption, container.hostWidget()))
    , m_backColor(RGB(240, 240, 240)) {
    QObject::connect(m_button, &QPushButton::clicked, [this] { dispatch(m_onClick); });
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
