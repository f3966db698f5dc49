#pragma once
// What every page (and every part of the General page) is built on: the shared link state, the
// program-wide dialogs, the page's timer set divided among its owners, the one message box path
// (raise a message, close it when its time is up), the one link-ready check, the one standby
// ending, and the routing of the set's expiries to its owners.
//
// A page that owns its whole timer set (Matrix, EDID, firmware) calls routeTimers() once its
// owners exist; the set's expiries then go to them. The General page's parts share one set whose
// expiries the page's maker hands to each part's onTimer() in turn; each part answers only for its
// own scope, so the order of asking does not matter.

#include "core/app/Dialogs.h"
#include "core/app/LinkState.h"
#include "core/app/Outcome.h"
#include "core/app/Texts.h"
#include "core/app/TimerScope.h"
#include "core/app/Timers.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace quorvane {

class PageLink;

// The message box as one page raises it: the text, its close timer, and closing when the timer
// fires.
class MessagePath {
public:
    MessagePath(Dialogs& dialogs, Timers& set, int timerId);

    // Sets the text, arms the close timer and opens the box; see raiseMessage().
    void raise(const std::string& text, int closeAfterMs, bool onlyIfHidden = false,
               Dialogs::Continuation onClosed = {});
    void raise(Text text, int closeAfterMs, bool onlyIfHidden = false,
               Dialogs::Continuation onClosed = {});
    // Raises the outcome's message (when it has one), then reports the outcome.
    void announce(const Outcome& outcome, const OutcomeReport& report, int closeAfterMs,
                  bool onlyIfHidden = false, Dialogs::Continuation onClosed = {});
    // Stops the close timer and closes the box (what the timer's expiry does).
    void close();
    // Closes the box only while it shows "Please wait...".
    void closePleaseWait();
    // Stops the close timer only.
    void stopTimer() { scope_.stopAll(); }

    int timerId() const { return timerId_; }
    // The close timer's expiry: true when `id` is it.
    bool onTimer(int id) { return scope_.dispatch(id); }

private:
    Dialogs& dialogs_;
    TimerScope scope_;
    int timerId_;
};

// How a page ends on a standby report.
struct StandbyEnding {
    int messageMs = 2500;
    // The standby message does not replace a message already up (it was closed just before, so
    // this matters only when the page's ending work raised one).
    bool onlyIfHidden = false;
    // Whether a busy box that is up closes.
    bool closeBusy = true;
};

// What a page needs of the link to send: over TCP a connected socket, or the connection that the
// General page's "Connect" check found ready.
enum class TcpNeed { Connected, Ready };

class PageSkeleton {
public:
    // `messageTimer` is the id of the set the page's message box closes on.
    PageSkeleton(LinkState& state, Timers& set, Dialogs& dialogs, int messageTimer);
    ~PageSkeleton();
    PageSkeleton(const PageSkeleton&) = delete;
    PageSkeleton& operator=(const PageSkeleton&) = delete;

    LinkState& state() { return state_; }
    const LinkState& state() const { return state_; }
    Dialogs& dialogs() { return dialogs_; }
    Timers& timerSet() { return set_; }
    MessagePath& message() { return message_; }

    // Hands every expiry of the set to the message path, then to `owners` in turn (each answers
    // only for its own ids). Cleared when the skeleton goes.
    void routeTimers(std::vector<TimerScope*> owners);
    // One expiry, as routeTimers() hands it on: true when an owner took it.
    bool dispatch(int id);

    // The link-ready check: in TCP mode the socket (`need`), in COM mode the page's own port.
    bool linkReady(const PageLink& link, TcpNeed need = TcpNeed::Connected) const;

    // The standby ending: stops the timers of `stopped` and the message timer, closes the busy
    // box (if the ending says so) and any message, runs `settle` (the page's own state), then
    // raises "Matrix is in standby mode!" and reports the standby outcome; `then` runs when that
    // message closes.
    void standby(std::initializer_list<TimerScope*> stopped, const StandbyEnding& ending,
                 const std::function<void()>& settle, const OutcomeReport& report,
                 Dialogs::Continuation then = {});

private:
    LinkState& state_;
    Timers& set_;
    Dialogs& dialogs_;
    MessagePath message_;
    std::vector<TimerScope*> owners_;
    bool routing_ = false;
};

} // namespace quorvane
