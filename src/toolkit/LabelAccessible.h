// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWidget;

namespace hanashi {

// Has Qt's accessibility describe the toolkit's labels by their accessible
// role (Label::AccessibleRole): text, a button or a log. Call it before a
// label's interface is first asked for; calling it again changes nothing.
void installLabelAccessibility();

// How the text of a log changed: the text removed at its start, then the
// text inserted at the end of what was kept, at that offset in characters.
struct LogChange {
    QString removed;
    int insertedAt = 0;
    QString inserted;
    bool operator==(const LogChange&) const = default;
};

// A log's texts before and after a line was added: the new text ends in that
// line, after the last line break; what comes before the break is kept from
// the old text's end, and the old text's start before it scrolled away. A
// text that kept nothing of the old one is all removed and all inserted.
LogChange logChange(const QString& before, const QString& after);

// Tells assistive technology of a log label's change from before to after
// as the text removed and the text inserted (logChange), so that a screen
// reader hears the new line alone. Only worth calling while
// QAccessible::isActive().
void tellLogChange(QWidget& label, const QString& before, const QString& after);

} // namespace hanashi
