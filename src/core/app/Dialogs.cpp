#include "core/app/Dialogs.h"

#include "core/app/Timers.h"

namespace quorvane {

void Dialogs::openMessage(Continuation onClosed) {
    state_.messageShown = true;
    if (onClosed)
        pending_.push_back(std::move(onClosed));
    view_.showMessage(state_.messageText);
}

void Dialogs::closeMessage() {
    state_.messageShown = false;
    view_.hideMessage();
    // A continuation may open a new message; it then collects its own continuations afresh.
    std::vector<Continuation> run;
    run.swap(pending_);
    for (auto& continuation : run)
        continuation();
}

void Dialogs::openBusy() {
    const bool wasShown = state_.busyShown;
    state_.busyShown = true;
    if (wasShown)
        return;
    view_.showBusy(state_.busyText);
}

void Dialogs::refreshBusy() {
    if (state_.busyShown)
        view_.setBusyText(state_.busyText);
}

void Dialogs::closeBusy() {
    state_.busyShown = false;
    view_.hideBusy();
}

void raiseMessage(Dialogs& dialogs, Timers& timers, int timerId, int closeAfterMs,
                  const std::string& text, bool onlyIfHidden, Dialogs::Continuation onClosed) {
    LinkState& state = dialogs.state();
    state.messageText = text;
    state.messageId = Text::None;
    timers.start(timerId, closeAfterMs);
    if (onlyIfHidden && state.messageShown) {
        if (onClosed)
            onClosed();
        return;
    }
    dialogs.openMessage(std::move(onClosed));
}

void raiseMessage(Dialogs& dialogs, Timers& timers, int timerId, int closeAfterMs, Text text,
                  bool onlyIfHidden, Dialogs::Continuation onClosed) {
    raiseMessage(dialogs, timers, timerId, closeAfterMs, std::string(textOf(text)), onlyIfHidden,
                 std::move(onClosed));
    dialogs.state().messageId = text;
}

void announce(const Outcome& outcome, const OutcomeReport& report, Dialogs& dialogs, Timers& timers,
              int timerId, int closeAfterMs, bool onlyIfHidden, Dialogs::Continuation onClosed) {
    if (outcome.text != Text::None) {
        raiseMessage(dialogs, timers, timerId, closeAfterMs, outcome.wording(), onlyIfHidden,
                     std::move(onClosed));
        dialogs.state().messageId = outcome.text;
    } else if (onClosed) {
        onClosed();
    }
    report(outcome);
}

std::string busyTextFor(const std::string& family, int phase) {
    switch (phase) {
    case 1:
        return family + " .    ";
    case 2:
        return family + " . .  ";
    default:
        return family + " . . .";
    }
}

std::string nextBusyText(LinkState& state, const std::string& family) {
    state.busyPhase = state.busyPhase >= 3 ? 1 : state.busyPhase + 1;
    return busyTextFor(family, state.busyPhase);
}

} // namespace quorvane
