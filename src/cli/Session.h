#pragma once
// One run of a command against the matrix: the shared link state, the serial port, the TCP
// socket, the pages' timers and the message and busy boxes, all on a Qt Core event loop, with the
// pages' own logic driving the conversation. The session opens the link, waits while the page
// talks, and turns how the page's conversation ended into the command's result:
// - a page's outcome: a failure (its exit status decided by the outcome's kind alone, the page's
//   text quoted after the reason) or a success, whose text is only reported;
// - a notice (a standard box such as the one asking to open the serial port): the link is not up;
// - the serial line failing, or the matrix closing the TCP connection: the matrix is gone;
// - a wait the page leaves open (a switch confirmation, a connect) ends after a limit of its own.
//
// The session runs in a world (SessionWorld): the machine's own unless one is handed in, as tests
// do to run a command's waits on virtual time.

#include "cli/Arguments.h"
#include "cli/ConnectWatch.h"
#include "cli/SessionWorld.h"

#include "core/app/Dialogs.h"
#include "core/app/LinkState.h"
#include "core/app/Outcome.h"
#include "core/app/PageHandle.h"
#include "core/app/PageSet.h"
#include "core/link/PageLink.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::cli {

class Session : private AppEvents, private DialogView {
public:
    // `world`: what the session runs on (it must outlive the session); the machine's own when
    // none is given.
    explicit Session(const Invocation& invocation, SessionWorld* world = nullptr);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const Invocation& invocation() const { return invocation_; }
    bool json() const { return invocation_.json; }
    LinkState& state() { return state_; }
    const Clock& clock() const { return world_.clock(); }
    SerialLink& serial() { return world_.serial(); }
    TcpLink& tcp() { return watch_; }
    UdpLink& udp() { return world_.udp(); }
    Dialogs& dialogs() { return dialogs_; }
    AppEvents& events() { return *this; }
    // A new timer set for a page, owned by the session.
    Timers& newTimers();
    // Builds the command's page on the session's link state, clock, socket, boxes and events.
    const PageSet& pages() const { return pages_; }

    // Before the page is made: COM opens the port to see that it can be had and leaves the link
    // state saying so (the page's own open then takes up the same device again, see SystemWorld);
    // TCP sets the mode and the address. ExitDone, or ExitLink with the reason kept for report().
    int prepareLink();
    // After the page is made: routes the port's bytes to the page's link and, over TCP, connects
    // the page (PageHandle::reconnect) and waits for the outcome.
    int attach(PageHandle& page, PageLink& link);

    // Runs the event loop until `done` answers true (asked at every poke()), a failure ends the
    // command, or `limitMs` (when > 0) passes; then `onLimit` gives the outcome.
    int waitUntil(std::function<bool()> done, int limitMs = 0,
                  std::function<int()> onLimit = nullptr);
    // Something changed that a wait may be waiting for.
    void poke();
    // How a page's conversation ended (the command wires every page's outcome listener here).
    void onOutcome(const Outcome& outcome);
    // The outcomes reported so far, in order.
    const std::vector<Outcome>& outcomes() const { return outcomes_; }
    // Ends the command with `status`; the first failure wins.
    void fail(int status, const std::string& why);
    int failure() const { return failure_ ? failure_->status : 0; }
    // The failure's reason as report() prints it, "" when none.
    std::string failureText() const { return failure_ ? failure_->why : std::string(); }

    // The messages the pages showed, in order.
    const std::vector<std::string>& messages() const { return messages_; }
    // Writes the failure, if any, to standard error.
    void report() const;

private:
    struct Failure {
        int status;
        std::string why;
    };

    // AppEvents
    void pageBusy(bool) override {}
    void serialFailure() override;
    // DialogView
    void showMessage(const std::string& text) override;
    void hideMessage() override {}
    void showBusy(const std::string&) override {}
    void setBusyText(const std::string&) override {}
    void hideBusy() override {}
    void showNotice(const std::string& text) override;

    int openComPort();
    void onTcpChange();

    Invocation invocation_;
    std::unique_ptr<SessionWorld> ownWorld_;
    SessionWorld& world_;
    LinkState state_;
    Dialogs dialogs_;
    ConnectWatch watch_;
    std::vector<std::unique_ptr<Timers>> timers_;
    PageSet pages_{PageServices{state_, world_.clock(), watch_, dialogs_, *this}};
    bool connected_ = false;

    std::vector<std::string> messages_;
    std::vector<Outcome> outcomes_;
    std::optional<Failure> failure_;
    std::function<bool()> done_;
    bool waiting_ = false;
};

// "quorvane-cli: <text>" on standard error.
void printError(const std::string& text);

} // namespace quorvane::cli
