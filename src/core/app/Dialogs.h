#pragma once
// The program-wide message box and busy box, driven through LinkState's messageText, messageShown,
// busyText and busyShown.
//
// Contract for callers (pages, main window, configuration dialogs):
//   message: set messageText, arm the caller's own close timer, then openMessage(); when the timer
//            fires, stop it and call closeMessage(). Work that must happen "after the message has
//            closed" goes into the continuation given to openMessage().
//   busy:    set busyText, arm the animation timer, openBusy(); on each tick change busyText and
//            call refreshBusy(); to finish stop the timer and call closeBusy().
// Nothing here waits: there are no nested event loops. Events and timers go on being delivered
// while a box is up, as callers expect.

#include "core/app/LinkState.h"
#include "core/app/Outcome.h"
#include "core/app/Texts.h"

#include <functional>
#include <string>
#include <vector>

namespace quorvane {

// What the screen does; the Qt widgets implement it, tests record it.
class DialogView {
public:
    virtual ~DialogView() = default;
    virtual void showMessage(const std::string& text) = 0;
    virtual void hideMessage() = 0;
    virtual void showBusy(const std::string& text) = 0;
    virtual void setBusyText(const std::string& text) = 0;
    virtual void hideBusy() = 0;
    // A standard message box with an OK button (for example "请打开串口"); it does not block.
    virtual void showNotice(const std::string& text) = 0;
};

class Dialogs {
public:
    using Continuation = std::function<void()>;

    Dialogs(LinkState& state, DialogView& view) : state_(state), view_(view) {}

    // Sets messageShown and shows messageText. If a message is already up it now shows the new
    // text; every continuation runs, in order, when the box finally closes.
    void openMessage(Continuation onClosed = {});
    // Clears messageShown, hides the box and runs the pending continuations.
    void closeMessage();

    // Sets busyShown and shows busyText; reuses the box when it is already up.
    void openBusy();
    // Copies busyText into the box (a change of busyText alone is not shown).
    void refreshBusy();
    void closeBusy();

    void showNotice(const std::string& text) { view_.showNotice(text); }

    LinkState& state() { return state_; }

private:
    LinkState& state_;
    DialogView& view_;
    std::vector<Continuation> pending_;
};

class Timers;

// The usual way to raise a message: set messageText, arm the caller's close timer `timerId` with
// `closeAfterMs`, and open the box. With `onlyIfHidden`, a box that is already up keeps showing its
// text (messageText still changes) and the continuation runs at once.
void raiseMessage(Dialogs& dialogs, Timers& timers, int timerId, int closeAfterMs,
                  const std::string& text, bool onlyIfHidden = false,
                  Dialogs::Continuation onClosed = {});
// The same for a text of the table; LinkState::messageId then names it.
void raiseMessage(Dialogs& dialogs, Timers& timers, int timerId, int closeAfterMs, Text text,
                  bool onlyIfHidden = false, Dialogs::Continuation onClosed = {});
// Raises the outcome's message (when it has one) as raiseMessage does, then reports the outcome.
void announce(const Outcome& outcome, const OutcomeReport& report, Dialogs& dialogs, Timers& timers,
              int timerId, int closeAfterMs, bool onlyIfHidden = false,
              Dialogs::Continuation onClosed = {});

// Busy texts: "<family> .    ", "<family> . .  ", "<family> . . ." for phases 1, 2, 3.
std::string busyTextFor(const std::string& family, int phase);
// Advances the shared phase 1, 2, 3, 1, ... and returns the text of the new phase.
std::string nextBusyText(LinkState& state, const std::string& family);

} // namespace quorvane
