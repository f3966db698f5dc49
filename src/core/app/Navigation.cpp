#include "core/app/Navigation.h"

namespace quorvane {

int Navigation::showTimerFor(PageId page) {
    switch (page) {
    case PageId::General:
        return GeneralShowTimer;
    case PageId::Edid:
        return EdidShowTimer;
    case PageId::Matrix:
        return MatrixShowTimer;
    case PageId::Firmware:
        return FirmwareShowTimer;
    }
    return GeneralShowTimer;
}

Navigation::Navigation(LinkState& state, Timers& timers, Dialogs& dialogs, NavigationView& view)
    : state_(state), timers_(timers), message_(dialogs, timers, MessageCloseTimer), view_(view) {}

void Navigation::setPage(PageHandle& handle) {
    pages_[pageSlot(handle.pageId())] = &handle;
}

void Navigation::clearPage(PageId page) {
    pages_[pageSlot(page)] = nullptr;
}

PageHandle* Navigation::handle(PageId page) const {
    return pages_[pageSlot(page)];
}

bool Navigation::clickTab(PageId page) {
    for (PageHandle* p : pages_) {
        if (p && p->holdsNavigation())
            return false;
    }
    switchTo(page);
    return true;
}

void Navigation::switchTo(PageId page) {
    PageHandle* target = handle(page); // null until the page's first show
    // First, so that every page sees where the switch goes (a page may act only while on show).
    state_.currentPage = page;
    for (PageHandle* p : pages_) {
        if (p)
            p->onAnySwitch();
    }
    if (target)
        target->onSwitchedTo();

    // A show routine still pending for a page that is leaving again must not run: it would open
    // the serial port behind the new page's back and make the new page's own open fail.
    for (PageId other : AllPages) {
        if (other != page)
            timers_.stop(showTimerFor(other));
    }

    if (!state_.tcpMode()) {
        for (PageId other : AllPages) {
            PageHandle* p = handle(other);
            if (other != page && p)
                p->closeSerialPort();
        }
    }

    view_.markSelected(page);
    view_.showPage(page);
    if (target == nullptr) {
        // Built by this first show, after the other pages gave up the serial port: it takes the
        // switch's flags as if it had been there all along.
        target = handle(page);
        if (target) {
            target->onAnySwitch();
            target->onSwitchedTo();
        }
    }

    if (state_.tcpMode()) {
        if (!state_.tcpLinkReady) {
            message_.raise(Text::ConnectFailed, MessageCloseMs);
            return;
        }
        if (target)
            target->reconnect();
    }
    timers_.start(showTimerFor(page), ShowDelayMs);
}

bool Navigation::onTimer(int id) {
    if (message_.onTimer(id))
        return true;
    for (PageId page : AllPages) {
        if (id != showTimerFor(page))
            continue;
        timers_.stop(id);
        if (PageHandle* p = handle(page))
            p->onShow();
        return true;
    }
    return false;
}

void Navigation::pageBusy(bool busy) {
    pageButtonsEnabled_ = !busy;
    view_.setPageButtonsEnabled(pageButtonsEnabled_);
}

void Navigation::serialFailure() {
    for (PageId page : AllPages) {
        PageHandle* p = handle(page);
        if (page != PageId::General && p)
            p->closeSerialPort();
    }
    if (forceComDisconnect_)
        forceComDisconnect_();
}

} // namespace quorvane
