// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/Colour.h"
#include "toolkit/Control.h"

#include <QPointer>
#include <QString>
#include <functional>

class QPushButton;

namespace hanashi {

// A push button whose face is its back colour, filling exactly the rectangle
// it was moved to, with the caption centred in the button's font. The
// pressed and focus marks are drawn inside that rectangle. Space clicks it;
// Return does not, as in any window that is not a dialog.
class CommandButton : public Control {
public:
    CommandButton(Container& container, const QString& caption);
    ~CommandButton() override;

    QString caption() const;
    void setCaption(const QString& caption);
    Colour backColor() const { return m_backColor; }
    void setBackColor(Colour colour);

    void setClickHandler(std::function<void()> handler) { m_onClick = std::move(handler); }
    QPushButton* widget() const;

protected:
    void applyGeometry(const QRect& pixels) override;
    void applyVisible(bool visible) override;

private:
    class Widget;
    QPointer<QPushButton> m_button;
    Colour m_backColor;
    std::function<void()> m_onClick;
};

} // namespace hanashi
