#include "toolkit/Form.h"

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
    space().setUser(left, top, width, height);
    relayoutChildren();
}

void Form::setBackColor(Colour colour) {
    m_backColor = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, toQColor(colour));
    setPalette(p);
}

void Form::resizeEvent(QResizeEvent* event) {
    space().setPixelSize(event->size());
    relayoutChildren();
    Form_Resize();
}

void Form::closeEvent(QCloseEvent* event) {
    std::int16_t cancel = 0;
    Form_Unload(cancel);
    event->accept();
}

} // namespace hanashi
