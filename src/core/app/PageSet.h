#pragma once
// The one place that builds the pages: the Matrix, EDID and FW Upgrade pages and the General
// page's parts (GeneralParts), each on the shared link state, clock, TCP socket, dialogs and
// main-window notifications it holds, and on the per-page seams (timers, serial port object) its
// caller gives. The window, the command-line program and the tests all build their pages here, so
// a page is wired the same way wherever it runs.
//
// It builds nothing by itself: each page is made when its caller first needs it (the window: when
// the page's tab is first shown), and the caller owns what it is given. The services must outlive
// every page made from them.

#include "core/app/Dialogs.h"
#include "core/app/LinkState.h"
#include "core/app/Timers.h"
#include "core/link/Transports.h"

#include <memory>

namespace quorvane {

class EdidPage;
class FirmwarePage;
class GeneralParts;
class MatrixPage;
struct GeneralSeams;

// What every page shares with the others for the whole run.
struct PageServices {
    LinkState& state;
    const Clock& clock;
    TcpLink& tcp;
    Dialogs& dialogs;
    AppEvents& events;
};

class PageSet {
public:
    explicit PageSet(const PageServices& services) : services_(services) {}

    const PageServices& services() const { return services_; }

    // A page on its own `timers` and serial port object; the caller routes the port's received
    // bytes to the page's onSerialByte(). Construction may open the port (when one was connected
    // before), as a page does when it is created.
    std::unique_ptr<MatrixPage> matrix(Timers& timers, SerialLink& serial) const;
    std::unique_ptr<EdidPage> edid(Timers& timers, SerialLink& serial) const;
    std::unique_ptr<FirmwarePage> firmware(Timers& timers, SerialLink& serial) const;
    // The General page's parts, wired to each other.
    std::unique_ptr<GeneralParts> general(const GeneralSeams& seams) const;

private:
    PageServices services_;
};

} // namespace quorvane
