#include "ui/KeySwallower.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QWidget>

namespace quorvane {

KeySwallower* KeySwallower::installOn(QWidget* root) {
    auto* swallower = new KeySwallower(root);
    swallower->followsChildren_ = true;
    swallower->watchTree(root);
    return swallower;
}

bool KeySwallower::isSwallowedKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
           key == Qt::Key_Space;
}

void KeySwallower::watchTree(QObject* object) {
    if (!object->isWidgetType())
        return;
    object->removeEventFilter(this); // never installed twice on one widget
    object->installEventFilter(this);
    for (QObject* child : object->children())
        watchTree(child);
}

bool KeySwallower::eventFilter(QObject* /*watched*/, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        return isSwallowedKey(static_cast<QKeyEvent*>(event)->key());
    case QEvent::ShortcutOverride:
        // Claim the key so that no shortcut fires on it; the key press that follows is swallowed.
        if (isSwallowedKey(static_cast<QKeyEvent*>(event)->key())) {
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
