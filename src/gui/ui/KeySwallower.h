#pragma once
// Swallows the key-down of Enter, Escape and Space, so that no key closes a box, presses its
// default button or activates the focused control. A text field that can be typed into still
// takes Space: there it is a character, not an activation. Installed with installEventFilter() it
// guards that one object; installOn() guards a window and every widget inside it, later ones
// included.
//
// Two scopes. A box or dialog of its own (the message and busy boxes, the preset editor, the
// network configuration dialogs) swallows the keys always. The main window, its pages and the
// tool windows swallow them only while a message or busy box is showing: otherwise a keyboard
// user presses the focused button with Space, takes a menu entry with Return, and confirms a field
// with Enter. Menus and file dialogs are never guarded.

#include <QObject>

class QWidget;

namespace quorvane {

class KeySwallower : public QObject {
    Q_OBJECT
public:
    enum class Scope {
        Always,        // a box or dialog that no key may close or trigger
        WhileBoxShows, // a window that takes keys unless a message or busy box is up
    };

    explicit KeySwallower(QObject* parent = nullptr, Scope scope = Scope::Always)
        : QObject(parent), scope_(scope) {}

    // Creates a swallower owned by `root` and installs it on `root` and all widgets inside it,
    // including widgets added to it afterwards.
    static KeySwallower* installOn(QWidget* root, Scope scope = Scope::Always);

    static bool isSwallowedKey(int key);
    // True for a widget that takes typed text: an editable line, text box, spin box or combo box.
    static bool takesTypedText(const QObject* object);
    // True while the program's message box or busy box is on screen.
    static bool boxShowing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchTree(QObject* object);
    bool swallows(QObject* watched, int key) const;

    Scope scope_;
    bool followsChildren_ = false;
};

} // namespace quorvane
