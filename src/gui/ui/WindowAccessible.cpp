#include "gui/ui/WindowAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDialog>
#include <QMainWindow>
#include <QWidget>

namespace quorvane {

namespace {

// A top-level QWidget of the program: a window while it is one, a plain client area otherwise
// (the role is asked each time, so a widget that becomes a window later reads right).
class WindowAccessible : public QAccessibleWidget {
public:
    explicit WindowAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Client) {}

    QAccessible::Role role() const override {
        return widget()->isWindow() ? QAccessible::Window : QAccessible::Client;
    }
};

QAccessibleInterface* windowAccessibleFactory(const QString& className, QObject* object) {
    // Only the program's own classes, and only the most derived one (asked first): Qt's own
    // widgets keep their interfaces.
    if (!object || !object->isWidgetType() ||
        className != QLatin1String(object->metaObject()->className()) ||
        !className.startsWith(QLatin1String("quorvane::")))
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    // Only windows made of a plain QWidget; dialogs and everything built on a Qt control (a
    // button, a group box) keep what Qt gives them.
    if (!widget->isWindow() || qobject_cast<QDialog*>(widget) ||
        qobject_cast<QMainWindow*>(widget) || widget->metaObject()->superClass() == nullptr ||
        QLatin1String(widget->metaObject()->superClass()->className()) != QLatin1String("QWidget"))
        return nullptr;
    return new WindowAccessible(widget);
}

} // namespace

void installWindowAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(windowAccessibleFactory);
        return true;
    }();
    (void)installed;
}

} // namespace quorvane
