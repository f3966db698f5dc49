#pragma once
// The program-wide message box: one short text ("Time out!", "Set successfully!", ...) in a small
// rounded, semi-transparent black box centred on the main window. The caller closes it (normally
// after 1500 ms, by its own timer); no key and no click does.

#include "gui/ui/RoundedTextBox.h"

namespace quorvane {

class MessageDialog : public RoundedTextBox {
    Q_OBJECT
public:
    explicit MessageDialog(QWidget* owner);

    // Shows `text` centred on `ownerArea` (screen coordinates); a box already up takes the new text
    // and is centred afresh.
    void popUp(const QString& text, const QRect& ownerArea);

    // Top-left corner that centres a box of `box` size on `area`, halves rounded towards zero.
    static QPoint centredTopLeft(const QRect& area, const QSize& box);
};

} // namespace quorvane
