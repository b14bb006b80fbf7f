// SPDX-License-Identifier: MIT
#include "toolkit/LabelAccessible.h"

#include "toolkit/Label.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <algorithm>

namespace hanashi {

namespace {

// One label as assistive technology sees it. Qt caches an interface per
// widget from the first time anything asks, which may be before the label's
// role is set, so every answer reads the role as it is now.
class LabelAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit LabelAccessible(QLabel* widget)
        : QAccessibleWidget(widget, QAccessible::StaticText) {}

    QAccessible::Role role() const override {
        return roleNow() == Label::AccessibleRole::Button ? QAccessible::Button
                                                          : QAccessible::StaticText;
    }

    QString text(QAccessible::Text kind) const override {
        if (kind != QAccessible::Name)
            return QAccessibleWidget::text(kind);
        const QString name = widget()->accessibleName();
        // A log is read through its text, never all at once as a name.
        if (!name.isEmpty() || roleNow() == Label::AccessibleRole::Log)
            return name;
        return shown();
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = roleNow() != Label::AccessibleRole::Button;
        state.multiLine = roleNow() == Label::AccessibleRole::Log;
        return state;
    }

    // As Qt's own labels do: a label with a buddy is that control's label.
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        auto relations = QAccessibleWidget::relations(match);
        QWidget* buddy = qobject_cast<QLabel*>(object())->buddy();
        if ((match & QAccessible::Labelled) && buddy)
            if (QAccessibleInterface* other = QAccessible::queryAccessibleInterface(buddy))
                relations.append({other, QAccessible::Labelled});
        return relations;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface && roleNow() == Label::AccessibleRole::Log)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (roleNow() == Label::AccessibleRole::Button)
            names.prepend(pressAction());
        return names;
    }

    // A press is a click, and like a click it needs the label on the screen:
    // a screen reader may still hold a label that has been hidden since.
    void doAction(const QString& name) override {
        if (name != pressAction() || roleNow() != Label::AccessibleRole::Button) {
            QAccessibleWidget::doAction(name);
            return;
        }
        if (Label* label = Label::ownerOf(object()); label && widget()->isVisible())
            label->click();
    }

    // The text interface of a log: its caption as shown, to read, with
    // nothing to select and no caret.
    QString text(int startOffset, int endOffset) const override {
        const QString all = shown();
        const qsizetype end =
            endOffset < 0 ? all.size() : std::min<qsizetype>(endOffset, all.size());
        const qsizetype start = std::clamp<qsizetype>(startOffset, 0, end);
        return all.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(shown().size()); }
    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

private:
    Label::AccessibleRole roleNow() const {
        const Label* label = Label::ownerOf(object());
        return label ? label->accessibleRole() : Label::AccessibleRole::Text;
    }
    QString shown() const { return qobject_cast<QLabel*>(object())->text(); }
};

QAccessibleInterface* labelInterface(const QString& className, QObject* object) {
    // The toolkit's label widgets add no meta-object of their own, so Qt asks
    // by QLabel's class name.
    if (className != QLatin1String("QLabel") || !Label::ownerOf(object))
        return nullptr;
    return new LabelAccessible(static_cast<QLabel*>(object));
}

} // namespace

void installLabelAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(labelInterface);
        return true;
    }();
    (void)installed;
}

LogChange logChange(const QString& before, const QString& after) {
    const qsizetype lastBreak = std::max<qsizetype>(after.lastIndexOf(QLatin1Char('\n')), 0);
    const QStringView kept = QStringView(after).left(lastBreak);
    if (!QStringView(before).endsWith(kept))
        return LogChange{before, 0, after};
    return LogChange{before.left(before.size() - kept.size()), static_cast<int>(kept.size()),
                     after.mid(kept.size())};
}

void tellLogChange(QWidget& label, const QString& before, const QString& after) {
    const LogChange change = logChange(before, after);
    if (!change.removed.isEmpty()) {
        QAccessibleTextRemoveEvent event(&label, 0, change.removed);
        QAccessible::updateAccessibility(&event);
    }
    if (!change.inserted.isEmpty()) {
        QAccessibleTextInsertEvent event(&label, change.insertedAt, change.inserted);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace hanashi
