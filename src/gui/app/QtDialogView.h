#pragma once
// The Qt side of the message box, the busy box and the notice box (see app/Dialogs.h). The boxes
// belong to the main window: they are placed on it, stack over it, keep it from taking clicks while
// they are up, and are destroyed with it. Nothing here blocks or runs a nested event loop.

#include "core/app/Dialogs.h"
#include "gui/app/BusyDialog.h"
#include "gui/app/MessageDialog.h"

#include <QPointer>
#include <QWidget>

namespace quorvane {

class QtDialogView : public DialogView {
public:
    // `mainWindow` may be null until the main window exists; boxes are then placed on the screen.
    explicit QtDialogView(QWidget* mainWindow = nullptr);
    ~QtDialogView() override;

    // Boxes of the previous main window are destroyed; the next showing makes them afresh.
    void setMainWindow(QWidget* mainWindow);

    void showMessage(const std::string& text) override;
    void hideMessage() override;
    void showBusy(const std::string& text) override;
    void setBusyText(const std::string& text) override;
    void hideBusy() override;
    void showNotice(const std::string& text) override;

    // The boxes as they stand (null before their first showing); for the main window and tests.
    MessageDialog* messageDialog() const { return message_; }
    BusyDialog* busyDialog() const { return busy_; }

private:
    QRect ownerArea() const;

    QPointer<QWidget> mainWindow_;
    QPointer<MessageDialog> message_;
    QPointer<BusyDialog> busy_;
};

} // namespace quorvane
