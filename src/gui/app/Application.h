#pragma once
// The application object: holds the shared link state, the clock, the program's one TCP socket
// (matrixSocket), the message and busy boxes, and the main window. It is also where the pages'
// program-wide notifications (busy, serial failure) reach the main window.
//
// Construct it after the QApplication; show() brings the main window up. UI thread only.

#include "core/app/Dialogs.h"
#include "core/app/LinkState.h"
#include "gui/app/AppContext.h"
// QtDialogView.h needs the complete box types for its inline accessors.
#include "core/link/TrafficJournal.h"
#include "core/link/Transports.h"
#include "gui/app/BusyDialog.h"
#include "gui/app/MessageDialog.h"
#include "gui/app/QtDialogView.h"
#include "platform/app/QtTimers.h"
#include "platform/link/MatrixSocket.h"

#include <memory>

namespace quorvane {

class MainWindow;

class Application : public AppEvents {
public:
    Application();
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    void show();

    MainWindow& mainWindow() { return *mainWindow_; }
    LinkState& state() { return state_; }
    Dialogs& dialogs() { return dialogs_; }
    QtDialogView& dialogView() { return dialogView_; }
    MatrixSocket& socket() { return socket_; }
    AppContext& context() { return context_; }
    TrafficJournal& traffic() { return traffic_; }

    // AppEvents
    void pageBusy(bool busy) override;
    // Arrives from inside a serial port's handler; acted on from the event loop, after it returns.
    void serialFailure() override;

private:
    LinkState state_;
    // Every page's traffic, for the traffic window; set into state_ before any page exists.
    TrafficJournal traffic_;
    QtClock clock_;
    MatrixSocket socket_;
    QtDialogView dialogView_;
    Dialogs dialogs_{state_, dialogView_};
    PageSet pages_{PageServices{state_, clock_, socket_, dialogs_, *this}};
    AppContext context_{state_, clock_, socket_, dialogs_, *this, pages_, nullptr, &traffic_};
    // Last: destroyed first, while everything its pages use still exists.
    std::unique_ptr<MainWindow> mainWindow_;
};

} // namespace quorvane
