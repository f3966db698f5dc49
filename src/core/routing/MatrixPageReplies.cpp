// What the Matrix page does with the matrix's answers, with its timers and with a standby report.
#include "core/routing/MatrixPage.h"

#include "core/link/Commands.h"

namespace quorvane {

using namespace routing;

void MatrixPage::onFrame(const Frame& frame, bool intact, Transport transport) {
    // TCP data reaches the page only while it has talked over TCP; it is acted on in TCP mode only.
    if (transport == Transport::Tcp && !state_.tcpMode())
        return;
    if (conversation_.offer(frame, intact, transport))
        return;
    const Reply reply{frame, intact, transport};
    if (cmd::isRouteAcknowledgement(frame))
        onUnrequestedAcknowledgement(reply);
    else if (cmd::isRoutingReport(frame))
        onUnrequestedReport(reply);
}

ReplyVerdict MatrixPage::matchAcknowledgement(const Reply& reply, int output) const {
    if (!cmd::isRouteAcknowledgement(reply.frame) || reply.frame[6] != output)
        return ReplyVerdict::NotMine;
    // Over the serial link the acknowledgements for outputs 1..4 count only when intact; those for
    // outputs 5..8, and every TCP answer, are taken as they come.
    const bool checked = reply.transport == Transport::Serial && output <= 4;
    return reply.intact || !checked ? ReplyVerdict::Answer : ReplyVerdict::Damaged;
}

void MatrixPage::onAcknowledged(int output) {
    busy_.close();
    // The input shown is the one the page asked for; the acknowledgement does not carry it.
    showDisplay(output, pendingInput_);
    showRoute(pendingInput_, output);
    outputSource_.at(output - 1) = pendingInput_;
    if (exchange_ == Exchange::Chain && output < OutputCount) {
        sendChainStep(output + 1);
        return;
    }
    endExchange();
}

void MatrixPage::onUnrequestedAcknowledgement(const Reply& reply) {
    // Only with nothing in flight: an acknowledgement for another output than the one waited for,
    // or during the status read, answers nothing the page asked. A late one (after "Time out!")
    // still shows the input last asked for, but only for the output that input was sent to: a
    // late acknowledgement of an earlier step of a chain would show the chain's last input on an
    // output the matrix routes otherwise.
    const int output = reply.frame[6];
    const bool checked = reply.transport == Transport::Serial && output <= 4;
    if (conversation_.inFlight() || (checked && !reply.intact))
        return;
    if (output != lastRouteOutput_) {
        link_.markUnexpected();
        return;
    }
    onAcknowledged(output);
}

void MatrixPage::showReport(int output, std::uint8_t value, Transport transport) {
    // The serial link reads the input as a signed byte (FF shows -1), TCP as unsigned (255); both
    // keep it in a signed byte.
    const int stored = static_cast<std::int8_t>(value);
    showDisplay(output, transport == Transport::Tcp ? value : stored);
    if (transport == Transport::Tcp || isPort(stored)) {
        if (exchange_ != Exchange::Route && exchange_ != Exchange::Chain)
            pendingInput_ = stored;
        showRoute(stored, output);
        outputSource_.at(output - 1) = stored;
    }
    notify();
}

void MatrixPage::onQueryAnswered(const Reply& reply) {
    busy_.close();
    const int output = reply.frame[4];
    showReport(output, reply.frame[6], reply.transport);
    if (output == OutputCount)
        endExchange();
    else
        conversation_.start(queryStep(output + 1, LaterQueryChanceMs));
}

void MatrixPage::onUnrequestedReport(const Reply& reply) {
    const int output = reply.frame[4];
    showReport(output, reply.frame[6], reply.transport);
    // A report during a command, or out of turn during the status read, only informs. One that
    // nobody asked for runs the read on from the output after it.
    if (conversation_.inFlight())
        return;
    if (output == OutputCount)
        endExchange();
    else
        startStatusRead(output + 1, LaterQueryChanceMs);
}

void MatrixPage::onResend(Conversation::Retry why) {
    if (why == Conversation::Retry::AfterExpiry)
        busy_.open(3);
    else
        busy_.close();
}

void MatrixPage::onFailed() {
    busy_.close();
    // Nothing is waited for any more, yet the page stays busy until "Time out!" has closed.
    exchange_ = Exchange::None;
    skeleton_.message().announce({Outcome::Kind::TimedOut, Text::TimeOut}, outcomes_, MessageMs,
                                 true, conversation_.guard([this] {
                                     if (routingBusy_)
                                         endExchange();
                                 }));
    notify();
}

void MatrixPage::onStandby() {
    skeleton_.standby(
        {&talkTimers_, &pageTimers_}, {StandbyMessageMs, true, true},
        [this] {
            exchange_ = Exchange::None;
            endExchange();
        },
        outcomes_);
}

void MatrixPage::onPageTimer(int id) {
    busy_.onTimer(id);
}

} // namespace quorvane
