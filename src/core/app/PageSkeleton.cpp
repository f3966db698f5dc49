#include "core/app/PageSkeleton.h"

#include "core/link/PageLink.h"

namespace quorvane {

MessagePath::MessagePath(Dialogs& dialogs, Timers& set, int timerId)
    : dialogs_(dialogs), scope_(set, {timerId}), timerId_(timerId) {
    scope_.setHandler([this](int) { close(); });
}

void MessagePath::raise(const std::string& text, int closeAfterMs, bool onlyIfHidden,
                        Dialogs::Continuation onClosed) {
    raiseMessage(dialogs_, scope_, timerId_, closeAfterMs, text, onlyIfHidden, std::move(onClosed));
}

void MessagePath::raise(Text text, int closeAfterMs, bool onlyIfHidden,
                        Dialogs::Continuation onClosed) {
    raiseMessage(dialogs_, scope_, timerId_, closeAfterMs, text, onlyIfHidden, std::move(onClosed));
}

void MessagePath::announce(const Outcome& outcome, const OutcomeReport& report, int closeAfterMs,
                           bool onlyIfHidden, Dialogs::Continuation onClosed) {
    quorvane::announce(outcome, report, dialogs_, scope_, timerId_, closeAfterMs, onlyIfHidden,
                       std::move(onClosed));
}

void MessagePath::close() {
    scope_.stopAll();
    dialogs_.closeMessage();
}

void MessagePath::closePleaseWait() {
    const LinkState& state = dialogs_.state();
    if (state.messageShown && state.messageId == Text::PleaseWait)
        close();
}

PageSkeleton::PageSkeleton(LinkState& state, Timers& set, Dialogs& dialogs, int messageTimer)
    : state_(state), set_(set), dialogs_(dialogs), message_(dialogs, set, messageTimer) {}

PageSkeleton::~PageSkeleton() {
    if (routing_)
        set_.setHandler({});
}

void PageSkeleton::routeTimers(std::vector<TimerScope*> owners) {
    owners_ = std::move(owners);
    routing_ = true;
    set_.setHandler([this](int id) { dispatch(id); });
}

bool PageSkeleton::dispatch(int id) {
    if (message_.onTimer(id))
        return true;
    for (TimerScope* owner : owners_) {
        if (owner->dispatch(id))
            return true;
    }
    return false;
}

bool PageSkeleton::linkReady(const PageLink& link, TcpNeed need) const {
    if (!state_.tcpMode())
        return link.serialOpen();
    return need == TcpNeed::Ready ? state_.tcpLinkReady : state_.tcpConnected;
}

void PageSkeleton::standby(std::initializer_list<TimerScope*> stopped, const StandbyEnding& ending,
                           const std::function<void()>& settle, const OutcomeReport& report,
                           Dialogs::Continuation then) {
    for (TimerScope* scope : stopped)
        scope->stopAll();
    message_.stopTimer();
    if (ending.closeBusy && state_.busyShown)
        dialogs_.closeBusy();
    if (state_.messageShown)
        dialogs_.closeMessage();
    if (settle)
        settle();
    message_.announce({Outcome::Kind::Standby, Text::Standby}, report, ending.messageMs,
                      ending.onlyIfHidden, std::move(then));
}

} // namespace quorvane
