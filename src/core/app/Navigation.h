#pragma once
// The main window's logic: which page is on show, the hand-over of the link when the page changes,
// the busy notification of the pages and the serial failure.
//
// A page switch never waits: it hands the link over and arms the new page's show timer; 150 ms
// later the page's show routine re-establishes the link (opens its serial port or checks the new
// TCP connection). Everything runs on the user-interface thread. Pages are registered through
// their PageHandle; a page not built yet has nothing to hand over. The view builds it on its first
// show, after the other pages' ports are closed, and registers it (setPage) before showPage()
// returns; the new page then gets the switch's page calls as the others did.

#include "core/app/Dialogs.h"
#include "core/app/LinkState.h"
#include "core/app/PageHandle.h"
#include "core/app/PageSkeleton.h"
#include "core/app/Timers.h"

#include <array>
#include <functional>

namespace quorvane {

// What the main window draws; the Qt main window implements it.
class NavigationView {
public:
    virtual ~NavigationView() = default;
    // Draws the tab and the hidden page button of `page` as selected, the other three as not.
    virtual void markSelected(PageId page) = 0;
    // Brings `page` on show (building its window on first show) and hides the other three.
    virtual void showPage(PageId page) = 0;
    // Enables or disables the four hidden page buttons; the tabs are never greyed.
    virtual void setPageButtonsEnabled(bool enabled) = 0;
};

class Navigation {
public:
    // Timers of the main window.
    static constexpr int GeneralShowTimer = 1;
    static constexpr int EdidShowTimer = 2;
    static constexpr int FirmwareShowTimer = 3;
    static constexpr int MatrixShowTimer = 4;
    static constexpr int MessageCloseTimer = 55;
    static constexpr int ShowDelayMs = 150;
    static constexpr int MessageCloseMs = 1500;

    static int showTimerFor(PageId page);

    // `timers` are the main window's; their owner routes expiries to onTimer().
    Navigation(LinkState& state, Timers& timers, Dialogs& dialogs, NavigationView& view);

    // Registers the page that `handle` stands for (replacing an earlier one). The handle must
    // outlive the navigation or be removed with clearPage().
    void setPage(PageHandle& handle);
    void clearPage(PageId page);
    // Run on a serial failure after the other pages' ports are closed: the General page's
    // forceComDisconnect.
    void setForceComDisconnect(std::function<void()> action) {
        forceComDisconnect_ = std::move(action);
    }

    // A click on a tab label (or a hidden page button). Returns false when the click was refused
    // because a page holds the navigation (routing or firmware upgrade in progress).
    bool clickTab(PageId page);

    // Returns true when `id` is one of the navigation's timers.
    bool onTimer(int id);

    // The pages' busy notification: true while a long operation runs.
    void pageBusy(bool busy);
    // A serial port failed: every page's port is closed and the General page disconnects.
    void serialFailure();

    bool pageButtonsEnabled() const { return pageButtonsEnabled_; }

private:
    void switchTo(PageId page);
    PageHandle* handle(PageId page) const;

    LinkState& state_;
    Timers& timers_;
    MessagePath message_;
    NavigationView& view_;
    std::array<PageHandle*, 4> pages_{};
    std::function<void()> forceComDisconnect_;
    bool pageButtonsEnabled_ = true;
};

} // namespace quorvane
