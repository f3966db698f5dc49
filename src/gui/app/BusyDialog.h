#pragma once
// The program-wide busy box: the animated text of an operation in progress ("Setting . . ." and
// the like) in a small rounded, semi-transparent black box at a fixed place on the main window.
// The caller animates the text and closes the box when its reply or time-out arrives.

#include "gui/ui/RoundedTextBox.h"

namespace quorvane {

class BusyDialog : public RoundedTextBox {
    Q_OBJECT
public:
    explicit BusyDialog(QWidget* owner);

    // Shows `text` with the box's top-left corner at `ownerOrigin` (the owner's top-left corner in
    // screen coordinates) plus the box's fixed offset.
    void popUp(const QString& text, const QPoint& ownerOrigin);

    // Offset of the box from its owner's top-left corner, in pixels of the current font.
    QPoint offsetFromOwner() const;
};

} // namespace quorvane
