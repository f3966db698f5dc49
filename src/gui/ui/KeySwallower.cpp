#include "gui/ui/KeySwallower.h"

#include "gui/ui/RoundedTextBox.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QChildEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include <algorithm>

namespace quorvane {

KeySwallower* KeySwallower::installOn(QWidget* root, Scope scope) {
    auto* swallower = new KeySwallower(root, scope);
    swallower->followsChildren_ = true;
    swallower->watchTree(root);
    return swallower;
}

bool KeySwallower::isSwallowedKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
           key == Qt::Key_Space;
}

bool KeySwallower::takesTypedText(const QObject* object) {
    if (const auto* line = qobject_cast<const QLineEdit*>(object))
        return !line->isReadOnly();
    if (const auto* text = qobject_cast<const QTextEdit*>(object))
        return !text->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(object))
        return !plain->isReadOnly();
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(object))
        return !spin->isReadOnly();
    // An editable combo box keeps the focus itself and hands the keys to its line.
    if (const auto* combo = qobject_cast<const QComboBox*>(object))
        return combo->isEditable();
    return false;
}

bool KeySwallower::boxShowing() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(), [](const QWidget* window) {
        return window->isVisible() && qobject_cast<const RoundedTextBox*>(window) != nullptr;
    });
}

bool KeySwallower::swallows(QObject* watched, int key) const {
    if (!isSwallowedKey(key) || (key == Qt::Key_Space && takesTypedText(watched)))
        return false;
    // A menu takes Return and Escape, a file dialog its keys, wherever they were opened from.
    if (watched->isWidgetType()) {
        const QWidget* window = static_cast<QWidget*>(watched)->window();
        if (qobject_cast<const QMenu*>(window) || qobject_cast<const QFileDialog*>(window))
            return false;
    }
    return scope_ == Scope::Always || boxShowing();
}

void KeySwallower::watchTree(QObject* object) {
    if (!object->isWidgetType())
        return;
    object->removeEventFilter(this); // never installed twice on one widget
    object->installEventFilter(this);
    for (QObject* child : object->children())
        watchTree(child);
}

bool KeySwallower::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        return swallows(watched, static_cast<const QKeyEvent*>(event)->key());
    case QEvent::ShortcutOverride:
        // Claim the key so that no shortcut fires on it; the key press that follows is swallowed.
        if (swallows(watched, static_cast<const QKeyEvent*>(event)->key())) {
            event->accept();
            return true;
        }
        return false;
    case QEvent::ChildAdded:
        // A tree guarded through installOn() grows with its children; a widget guarded by a plain
        // installEventFilter() call stays the only one.
        if (followsChildren_)
            watchTree(static_cast<QChildEvent*>(event)->child());
        return false;
    default:
        return false;
    }
}

} // namespace quorvane
