#include "gui/app/QtDialogView.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace quorvane {

QtDialogView::QtDialogView(QWidget* mainWindow) : mainWindow_(mainWindow) {}

QtDialogView::~QtDialogView() {
    // Boxes made before the main window existed have no parent that would delete them.
    delete message_;
    delete busy_;
}

void QtDialogView::setMainWindow(QWidget* mainWindow) {
    if (mainWindow_ == mainWindow)
        return;
    mainWindow_ = mainWindow;
    delete message_;
    delete busy_;
}

QRect QtDialogView::ownerArea() const {
    if (mainWindow_)
        return {mainWindow_->mapToGlobal(QPoint(0, 0)), mainWindow_->size()};
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->availableGeometry();
    return {};
}

void QtDialogView::showMessage(const std::string& text) {
    if (!message_)
        message_ = new MessageDialog(mainWindow_);
    message_->popUp(QString::fromStdString(text), ownerArea());
}

void QtDialogView::hideMessage() {
    if (message_)
        message_->hide();
}

void QtDialogView::showBusy(const std::string& text) {
    if (!busy_)
        busy_ = new BusyDialog(mainWindow_);
    busy_->popUp(QString::fromStdString(text), ownerArea().topLeft());
}

void QtDialogView::setBusyText(const std::string& text) {
    if (busy_)
        busy_->setText(QString::fromStdString(text));
}

void QtDialogView::hideBusy() {
    if (busy_)
        busy_->hide();
}

void QtDialogView::showNotice(const std::string& text) {
    const QString message = QString::fromStdString(text);
    const QString title = mainWindow_ ? mainWindow_->window()->windowTitle() : QString();
    auto* box = new QMessageBox(QMessageBox::NoIcon, title, message, QMessageBox::Ok, mainWindow_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAccessibleName(message);
    box->setAccessibleDescription(message);
    box->setWindowModality(mainWindow_ ? Qt::WindowModal : Qt::NonModal);
    box->show();
}

} // namespace quorvane
