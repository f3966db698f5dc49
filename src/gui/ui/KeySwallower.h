#pragma once
// Swallows the key-down of Enter, Escape and Space, so that no key closes a box, presses its
// default button or activates the focused control. A text field that can be typed into still
// takes Space: there it is a character, not an activation. Installed with installEventFilter() it
// guards that one object; installOn() guards a window and every widget inside it, later ones
// included.

#include <QObject>

class QWidget;

namespace quorvane {

class KeySwallower : public QObject {
    Q_OBJECT
public:
    explicit KeySwallower(QObject* parent = nullptr) : QObject(parent) {}

    // Creates a swallower owned by `root` and installs it on `root` and all widgets inside it,
    // including widgets added to it afterwards.
    static KeySwallower* installOn(QWidget* root);

    static bool isSwallowedKey(int key);
    // True for a widget that takes typed text: an editable line, text box, spin box or combo box.
    static bool takesTypedText(const QObject* object);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchTree(QObject* object);

    bool followsChildren_ = false;
};

} // namespace quorvane
