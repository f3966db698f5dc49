#include "gui/app/MessageDialog.h"

namespace quorvane {

namespace {
const RoundedTextBox::Look MessageLook{QSize(133, 50), QRect(1, 17, 130, 15), /*cornerEllipse*/ 5,
                                       /*opacity*/ 190};
} // namespace

MessageDialog::MessageDialog(QWidget* owner) : RoundedTextBox(MessageLook, owner) {
    setObjectName(QStringLiteral("messageDialog"));
}

QPoint MessageDialog::centredTopLeft(const QRect& area, const QSize& box) {
    return {area.left() + (area.width() - box.width()) / 2,
            area.top() + (area.height() - box.height()) / 2};
}

void MessageDialog::popUp(const QString& text, const QRect& ownerArea) {
    const bool alreadyUp = isVisible();
    setText(text);
    move(centredTopLeft(ownerArea, size()));
    show();
    if (alreadyUp)
        raise(); // over any box opened since
}

} // namespace quorvane
