#include "gui/app/BusyDialog.h"

namespace quorvane {

namespace {
const RoundedTextBox::Look BusyLook{QSize(66, 16), QRect(0, 3, 64, 11), /*cornerEllipse*/ 3,
                                    /*opacity*/ 200};
// Where the box sits on its owner, in dialog units.
constexpr int OffsetXUnits = 125;
constexpr int OffsetYUnits = 130;
} // namespace

BusyDialog::BusyDialog(QWidget* owner) : RoundedTextBox(BusyLook, owner) {
    setObjectName(QStringLiteral("busyDialog"));
}

QPoint BusyDialog::offsetFromOwner() const {
    const DialogUnits du = units();
    return {du.x(OffsetXUnits), du.y(OffsetYUnits)};
}

void BusyDialog::popUp(const QString& text, const QPoint& ownerOrigin) {
    const bool alreadyUp = isVisible();
    setText(text);
    move(ownerOrigin + offsetFromOwner());
    show();
    if (alreadyUp)
        raise();
}

} // namespace quorvane
