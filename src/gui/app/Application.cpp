#include "gui/app/Application.h"

#include "gui/app/MainWindow.h"
#include "gui/ui/WindowAccessible.h"

#include <QTimer>

namespace quorvane {

Application::Application() {
    // Before any window exists: a window's accessible interface is made once and kept.
    installWindowAccessible();
    state_.traffic = &traffic_;
    mainWindow_ = std::make_unique<MainWindow>(context_);
    context_.mainWindow = mainWindow_.get();
    dialogView_.setMainWindow(mainWindow_.get());
}

Application::~Application() {
    // The boxes belong to the main window; forget them before it goes.
    dialogView_.setMainWindow(nullptr);
    mainWindow_.reset();
}

void Application::show() {
    mainWindow_->show();
}

void Application::pageBusy(bool busy) {
    mainWindow_->navigation().pageBusy(busy);
}

void Application::serialFailure() {
    QTimer::singleShot(0, mainWindow_.get(), [this] { mainWindow_->navigation().serialFailure(); });
}

} // namespace quorvane
