// SPDX-License-Identifier: MIT
#pragma once

#include "toolkit/Colour.h"
#include "toolkit/Control.h"

#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QLabel;
class QWidget;

namespace hanashi {

// Mouse buttons and shift keys as the mouse handlers receive them.
enum MouseButton : std::int16_t { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
enum ShiftState : std::int16_t { ShiftMask = 1, CtrlMask = 2, AltMask = 4 };

using IndexHandler = std::function<void(std::int16_t index)>;
using MouseHandler = std::function<void(std::int16_t index, std::int16_t button, std::int16_t shift,
                                        float x, float y)>;

// A text label. Its caption is always plain text (a script line may hold "<"),
// and a CR LF pair in it breaks the line. Font sizes are points, fractions
// allowed, in the Japanese UI font.
class Label : public Control {
public:
    enum BackStyle : std::int16_t { Transparent = 0, Opaque = 1 };

    // What the label is to assistive technology such as a screen reader.
    enum class AccessibleRole {
        // Static text, named by its caption unless given a name.
        Text,
        // Something to press: its press action clicks it as the mouse does,
        // while it is shown.
        Button,
        // Static text that grows line by line at its end: its caption is
        // read through the text interface, and each new caption is told as
        // the line added at the end and what scrolled away at the top,
        // never as the whole text again; the window announces the new line.
        Log,
    };

    Label(Container& container, const QString& caption, BackStyle backStyle);
    ~Label() override;

    // A hidden copy with the same settings and handlers, as a control array
    // loads it.
    std::unique_ptr<Label> cloneHidden(std::int16_t index) const;
    std::int16_t index() const { return m_index; }

    // Each property reads back as it was set, as every control's does.
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);

    Colour foreColor() const { return m_foreColor; }
    void setForeColor(Colour colour);
    Colour backColor() const { return m_backColor; }
    void setBackColor(Colour colour);
    BackStyle backStyle() const { return m_backStyle; }
    void setBackStyle(BackStyle style);
    std::int16_t borderStyle() const { return m_borderStyle; }
    void setBorderStyle(std::int16_t style);
    double fontSize() const { return m_fontSize; }
    void setFontSize(double points);
    // Qt alignment flags; top-left unless set.
    void setAlignment(int alignment);
    void setWordWrap(bool wrap);

    AccessibleRole accessibleRole() const { return m_accessibleRole; }
    void setAccessibleRole(AccessibleRole role) { m_accessibleRole = role; }
    // The name assistive technology reads instead of the caption.
    void setAccessibleName(const QString& name);
    // The control this label names: assistive technology reads the caption
    // as that control's name and relates the two.
    void setBuddy(QWidget* control);

    void setClickHandler(IndexHandler handler) { m_onClick = std::move(handler); }
    void setMouseDownHandler(MouseHandler handler) { m_onMouseDown = std::move(handler); }
    void setMouseUpHandler(MouseHandler handler) { m_onMouseUp = std::move(handler); }

    QLabel* widget() const;
    // The label whose widget this is, if any.
    static Label* ownerOf(QObject* widget);

    // Called by the widget: press, release and the click that follows a
    // release over the label.
    void mouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void mouseUp(std::int16_t button, std::int16_t shift, float x, float y);
    void click();

protected:
    void applyGeometry(const QRect& pixels) override;
    void applyVisible(bool visible) override;

private:
    void applyPalette();

    class Widget;
    QPointer<Widget> m_widget;
    std::int16_t m_index = 0;
    QString m_caption;
    Colour m_foreColor = RGB(0, 0, 0);
    Colour m_backColor = RGB(255, 255, 255);
    BackStyle m_backStyle;
    std::int16_t m_borderStyle = 0;
    double m_fontSize = 9;
    AccessibleRole m_accessibleRole = AccessibleRole::Text;
    IndexHandler m_onClick;
    MouseHandler m_onMouseDown;
    MouseHandler m_onMouseUp;
};

} // namespace hanashi
