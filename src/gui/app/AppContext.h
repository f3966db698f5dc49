#pragma once
// What every page widget receives from the application: the shared link state, the clock, the one
// TCP socket (matrixSocket), the message and busy boxes, the main window's notifications, and the
// page set that builds each page's logic on them. Owned by the application object; lives for the
// whole run.

#include "core/app/Dialogs.h"
#include "core/app/LinkState.h"
#include "core/app/PageSet.h"
#include "core/app/Timers.h"
#include "core/link/Transports.h"

class QWidget;

namespace quorvane {
class TrafficJournal;
}

namespace quorvane {

struct AppContext {
    LinkState& state;
    const Clock& clock;
    TcpLink& tcp;
    Dialogs& dialogs;
    AppEvents& events;
    const PageSet& pages;
    QWidget* mainWindow = nullptr;     // owner of pop-up windows (set once the main window exists)
    TrafficJournal* traffic = nullptr; // what the traffic window shows; none in some tests
};

} // namespace quorvane
