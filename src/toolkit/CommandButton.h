// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/Colour.h"
#include "toolkit/Control.h"

#include <QPointer>
#include <QString>
#include <functional>

class QPushButton;

namespace hanashi {

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
    QPointer<QPushButton> m_button;
    Colour m_backColor;
    std::function<void()> m_onClick;
};

} // namespace hanashi
