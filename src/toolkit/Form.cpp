// SPDX-License-Identifier: MIT
#include "toolkit/Form.h"

#include "toolkit/Application.h"

#include <QCloseEvent>
#include <QResizeEvent>

namespace hanashi {

Form::Form()
    : m_backColor(RGB(240, 240, 240)) {
    setAutoFillBackground(true);
    setBackColor(m_backColor);
    space().setMode(ScaleMode::Twips);
}

void Form::setScale(double left, double top, double width, double height) {
    changeSpace([&](ScaleSpace& s) { s.setUser(left, top, width, height); });
}

void Form::setBackColor(Colour colour) {
    m_backColor = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, toQColor(colour));
    setPalette(p);
}

void Form::resizeEvent(QResizeEvent* event) {
    changeSpace([&](ScaleSpace& s) { s.setPixelSize(event->size()); });
    dispatch([this] { Form_Resize(); });
}

void Form::closeEvent(QCloseEvent* event) {
    std::int16_t cancel = 0;
    dispatch([&] { Form_Unload(cancel); });
    // The cancel flag is not read: closing cannot be refused.
    event->accept();
}

} // namespace hanashi
