#pragma once
// What the main window's page switch needs of a page. Each page's logic implements it; the
// navigation (main window logic) holds one per page and calls them in the order of a switch.

#include "core/app/LinkState.h"

namespace quorvane {

class PageHandle {
public:
    virtual ~PageHandle() = default;
    virtual PageId pageId() const = 0;
    // Called on every page at every switch, once currentPage names the new page and before
    // anything else (for example the Matrix page clears its TCP routing flag here, the firmware
    // page opens its upgrade-reply gate).
    virtual void onAnySwitch() {}
    // Called on the page that comes on show, after onAnySwitch: reset its own switch flags.
    virtual void onSwitchedTo() {}
    // COM mode: another page takes the serial link; tell this page's port to close.
    virtual void closeSerialPort() = 0;
    // TCP mode: start a new connection bound to this page (its connectMatrix).
    virtual void reconnect() = 0;
    // Runs 150 ms after the page came on show: re-establish the link, send the first query.
    virtual void onShow() = 0;
    // True while a switch away must be refused (routing in progress, firmware upgrade running).
    virtual bool holdsNavigation() const { return false; }
};

} // namespace quorvane
