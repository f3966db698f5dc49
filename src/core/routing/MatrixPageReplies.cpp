// What the Matrix page does with the matrix's answers, with its timers and with a standby report.
#include "routing/MatrixPage.h"

#include "link/Commands.h"

namespace quorvane {

using namespace routing;

void MatrixPage::onFrame(const Frame& frame, bool intact, Transport transport) {
    // TCP data reaches the page only while it has talked over TCP; it is acted on in TCP mode only.
    if (transport == Transport::Tcp && !state_.tcpMode())
        return;
    if (cmd::isStandbyReport(frame)) {
        onStandby();
        return;
    }
    if (frame[2] != cmd::GroupRouting)
        return;
    if (frame[3] == cmd::RouteInput && frame[4] == 0x00 && isPort(frame[6])) {
        // Over the serial link the acknowledgements for outputs 1..4 count only when intact;
        // those for outputs 5..8, and every TCP answer, are taken as they come.
        const bool checked = transport == Transport::Serial && frame[6] <= 4;
        onAcknowledgement(frame[6], intact || !checked);
    } else if (frame[3] == cmd::RoutingQuery && isPort(frame[4])) {
        onReport(frame[4], frame[6], transport);
    }
}

void MatrixPage::onAcknowledgement(int output, bool counts) {
    const bool routeInFlight = exchange_ == Exchange::Route || exchange_ == Exchange::Chain;
    // An acknowledgement for another output than the one waited for, or during the status read,
    // answers nothing the page asked.
    if (exchange_ == Exchange::StatusRead || (routeInFlight && output != inFlightOutput_))
        return;
    if (!counts && !routeInFlight)
        return;

    closeBusyBox();
    timers_.stop(routeFirstTimer(output));
    timers_.stop(routeSecondTimer(output));

    if (!counts) {
        if (ackRetried_) {
            // Two damaged acknowledgements in a row: the command ends as a second time-out does.
            ackRetried_ = false;
            giveUp();
            return;
        }
        ackRetried_ = true;
        resendInFlight();
        timers_.start(routeSecondTimer(output), SecondChanceMs);
        return;
    }

    ackRetried_ = false;
    // The input shown is the one the page asked for; the acknowledgement does not carry it.
    const int input = exchange_ == Exchange::Chain ? inFlightInput_ : pendingInput_;
    showDisplay(output, input);
    showRoute(input, output);
    outputSource_.at(output - 1) = input;
    if (exchange_ == Exchange::Chain && output < OutputCount) {
        sendChainStep(output + 1);
        return;
    }
    endExchange();
}

void MatrixPage::onReport(int output, std::uint8_t value, Transport transport) {
    const bool answersRead = exchange_ == Exchange::StatusRead && output == inFlightOutput_;
    const bool routeInFlight = exchange_ == Exchange::Route || exchange_ == Exchange::Chain;
    if (answersRead) {
        closeBusyBox();
        timers_.stop(queryFirstTimer(output));
        timers_.stop(querySecondTimer(output));
    }

    // The serial link reads the input as a signed byte (FF shows -1), TCP as unsigned (255); both
    // keep it in a signed byte.
    const int stored = static_cast<std::int8_t>(value);
    showDisplay(output, transport == Transport::Tcp ? value : stored);
    if (transport == Transport::Tcp || isPort(stored)) {
        if (!routeInFlight)
            pendingInput_ = stored;
        showRoute(stored, output);
        outputSource_.at(output - 1) = stored;
    }
    notify();

    // A report during a route command, or out of turn during the status read, only informs.
    if (routeInFlight || (exchange_ == Exchange::StatusRead && !answersRead))
        return;
    if (output == OutputCount) {
        endExchange();
        return;
    }
    // A report that nobody asked for runs the read on from the output after it.
    if (exchange_ == Exchange::None)
        startStatusRead(output + 1, LaterQueryChanceMs);
    else
        sendQuery(output + 1, LaterQueryChanceMs);
}

void MatrixPage::onStandby() {
    timers_.stopRange(1, LastPageTimer);
    closeBusyBox();
    if (state_.messageShown)
        dialogs_.closeMessage();
    raiseMessage(dialogs_, timers_, MessageTimer, StandbyMessageMs, StandbyText, true);
    ackRetried_ = false;
    endExchange();
}

void MatrixPage::onTimer(int id) {
    if (id == MessageTimer) {
        timers_.stop(MessageTimer);
        dialogs_.closeMessage();
        return;
    }
    if (id == BusyTimer) {
        state_.busyText = nextBusyText(state_, BusyFamily);
        dialogs_.refreshBusy();
        return;
    }
    const bool routeTimer = id >= routeFirstTimer(1) && id <= routeSecondTimer(OutputCount);
    const bool queryTimer = id >= queryFirstTimer(1) && id <= querySecondTimer(OutputCount);
    const int output = routeTimer ? (id + 1) / 2 : (id - 16) / 2;
    const bool ours =
        output == inFlightOutput_ &&
        ((routeTimer && (exchange_ == Exchange::Route || exchange_ == Exchange::Chain)) ||
         (queryTimer && exchange_ == Exchange::StatusRead));
    timers_.stop(id);
    if (!ours)
        return; // a timer of a command that has already ended
    const bool first = routeTimer ? id == routeFirstTimer(output) : id == queryFirstTimer(output);
    if (first)
        onFirstTimeout(id, routeTimer ? routeSecondTimer(output) : querySecondTimer(output));
    else
        giveUp();
}

void MatrixPage::onFirstTimeout(int expired, int secondTimer) {
    state_.busyText = busyTextFor(BusyFamily, 3);
    timers_.start(BusyTimer, BusyTickMs);
    timers_.stop(expired);
    resendInFlight();
    timers_.start(secondTimer, SecondChanceMs);
    if (!state_.busyShown)
        dialogs_.openBusy();
}

void MatrixPage::giveUp() {
    closeBusyBox();
    if (exchange_ == Exchange::StatusRead) {
        timers_.stop(queryFirstTimer(inFlightOutput_));
        timers_.stop(querySecondTimer(inFlightOutput_));
    } else {
        timers_.stop(routeFirstTimer(inFlightOutput_));
        timers_.stop(routeSecondTimer(inFlightOutput_));
    }
    // Nothing is waited for any more, yet the page stays busy until "Time out!" has closed.
    exchange_ = Exchange::None;
    const std::uint64_t generation = generation_;
    std::weak_ptr<int> alive = alive_;
    raiseMessage(dialogs_, timers_, MessageTimer, MessageMs, TimeOutText, true,
                 [this, alive, generation] {
                     if (!alive.expired() && generation == generation_)
                         endExchange();
                 });
    notify();
}

void MatrixPage::endExchange() {
    exchange_ = Exchange::None;
    inFlightOutput_ = 0;
    ++generation_;
    routingBusy_ = false;
    presetIdle_ = true;
    configIdle_.fill(true);
    events_.pageBusy(false);
    notify();
}

void MatrixPage::closeBusyBox() {
    timers_.stop(BusyTimer);
    if (state_.busyShown)
        dialogs_.closeBusy();
}

} // namespace quorvane
