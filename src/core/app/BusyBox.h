#pragma once
// The program-wide busy box as one page runs it: the page's animation timer stepping the shared
// phase of "<family> .    ", "<family> . .  ", "<family> . . .", and opening and closing the box.

#include "core/app/Dialogs.h"
#include "core/app/Timers.h"

#include <string>

namespace quorvane {

class BusyBox {
public:
    static constexpr int TickMs = 500;

    BusyBox(Dialogs& dialogs, Timers& timers, int timerId, std::string family)
        : dialogs_(dialogs), timers_(timers), timerId_(timerId), family_(std::move(family)) {}

    // Shows the text of `phase` (1..3) and starts the animation; opens the box if it is hidden.
    void open(int phase) {
        dialogs_.state().busyText = busyTextFor(family_, phase);
        timers_.start(timerId_, TickMs);
        if (!dialogs_.state().busyShown)
            dialogs_.openBusy();
    }
    // Stops the animation and closes the box if it is up.
    void close() {
        timers_.stop(timerId_);
        if (dialogs_.state().busyShown)
            dialogs_.closeBusy();
    }
    // The animation's timer fired: the next phase. True when `id` is the animation's timer.
    bool onTimer(int id) {
        if (id != timerId_)
            return false;
        dialogs_.state().busyText = nextBusyText(dialogs_.state(), family_);
        dialogs_.refreshBusy();
        return true;
    }

private:
    Dialogs& dialogs_;
    Timers& timers_;
    int timerId_;
    std::string family_;
};

} // namespace quorvane
