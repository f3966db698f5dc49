// The General page's controls for device information, switches and factory reset, and the
// read-out's start, chain and end. Replies and standby are in GeneralPageReplies.cpp, the factory
// reset in GeneralPageReset.cpp.
#include "core/device/GeneralPage.h"

#include "core/app/Text.h"

#include "core/link/Commands.h"

namespace quorvane {

using namespace device;

GeneralPage::GeneralPage(GeneralConnection& connection, PageLink& link, Timers& timers,
                         Dialogs& dialogs, AppEvents& events)
    : connection_(connection), link_(link), state_(link.state()), skeleton_(connection.skeleton()),
      dialogs_(dialogs), events_(events),
      readoutTimers_(timers, TimerScope::span(ReadoutFirstTimer, Conversation::TimerIdSpan)),
      resetTimers_(timers, TimerScope::span(ResetFirstTimer, Conversation::TimerIdSpan)),
      timers_(timers,
              {ReadoutStartTimer, ReconnectCheckTimer, SwitchFirstTimer, SwitchFirstTimer + 1,
               SwitchFirstTimer + 2, ReadoutBusyTimer, ResetBusyTimer}),
      readoutTalk_(readoutTimers_, ReadoutFirstTimer), resetTalk_(resetTimers_, ResetFirstTimer),
      readoutBusy_(dialogs, timers_, ReadoutBusyTimer, ReadoutFamily),
      resetBusy_(dialogs, timers_, ResetBusyTimer, ResetFamily) {
    readoutTimers_.setHandler([this](int id) { readoutTalk_.onTimer(id); });
    resetTimers_.setHandler([this](int id) { resetTalk_.onTimer(id); });
    timers_.setHandler([this](int id) { onPageTimer(id); });
    link_.setFrameHandler([this](const Frame& frame, bool intact, Transport transport) {
        onFrame(frame, intact, transport);
    });
    readoutTalk_.setListeners({{},
                               [this](const Step&) {
                                   endReadout({Outcome::Kind::TimedOut, Text::TimeOut});
                               },
                               {}});
    resetTalk_.setListeners({{}, [this](const Step&) { onResetFailed(); }, {}});
}

GeneralPage::~GeneralPage() {
    link_.setFrameHandler({});
}

void GeneralPage::onSwitchedTo() {
    // Coming back from another page: the serial port is opened afresh by the next read-out, and
    // port answers over the new TCP connection wait until a read-out asks for them.
    reshown_ = true;
    statusGate_ = true;
}

// --- Read-out ---

void GeneralPage::clickStatus() {
    if (reconnectPending_)
        return;
    clearLabels();
    if (state_.tcpMode()) {
        if (state_.tcpConnected)
            startReadoutOnTcp();
        else
            startReconnect();
        return;
    }
    if (!link_.serialOpen() || reshown_) {
        reshown_ = false;
        connection_.openComPort(); // reports its own failure
    }
    if (!link_.serialOpen())
        return;
    readoutBusy_.open(3);
    readoutPhase_ = Readout::Starting;
    timers_.start(ReadoutStartTimer, ReadoutStartMs);
    notify();
}

void GeneralPage::clickClear() {
    clearLabels();
}

void GeneralPage::clearLabels() {
    inputLabels_.fill({});
    outputLabels_.fill({});
    notify();
}

void GeneralPage::startReadoutOnTcp() {
    readoutBusy_.open(3);
    statusGate_ = false;
    sendFirstQuery();
}

void GeneralPage::startReconnect() {
    statusGate_ = true;
    link_.tcp().close();
    state_.matrixIp = trimmed(connection_.screen().ipText);
    link_.connectMatrix();
    reconnectPending_ = true;
    readoutPhase_ = Readout::Reconnecting;
    timers_.start(ReconnectCheckTimer, ReconnectCheckMs);
    notify();
}

void GeneralPage::checkReconnect() {
    timers_.stop(ReconnectCheckTimer);
    reconnectPending_ = false;
    if (!state_.tcpConnected) {
        // Give the attempt up, as the "Connect" button's own check does.
        link_.tcp().close();
        connection_.showTcpLinkResult(false);
        readoutPhase_ = Readout::Idle;
        skeleton_.message().announce({Outcome::Kind::LinkDown, Text::ConnectFailed}, outcomes_,
                                     ReconnectFailedMessageMs);
        notify();
        return;
    }
    connection_.showTcpLinkResult(true);
    statusGate_ = false;
    link_.send(cmd::irStateQuery);
    readoutPhase_ = Readout::Starting;
    timers_.start(ReadoutStartTimer, ReadoutStartMs);
    readoutBusy_.open(3);
    notify();
}

void GeneralPage::onReadoutStartTimer() {
    timers_.stop(ReadoutStartTimer);
    if (state_.tcpMode()) {
        // The connection may have dropped since the reconnect check: end the read-out rather
        // than leave the busy box up with nothing asked.
        if (!state_.tcpConnected) {
            endReadout({Outcome::Kind::LinkLost, Text::ConnectionLost}, TimeOutMessageMs);
            return;
        }
        sendFirstQuery();
        return;
    }
    // Over the serial link the read-out first asks what the matrix is; the answers to the type,
    // size and version queries chain on to the port queries.
    readoutPhase_ = Readout::Querying;
    readoutTalk_.start(reportStep("device type query", cmd::deviceTypeQuery, cmd::QueryDeviceType));
    notify();
}

void GeneralPage::sendFirstQuery() {
    readoutPhase_ = Readout::Querying;
    readoutTalk_.start(portQueryStep(0));
    notify();
}

Step GeneralPage::portQueryStep(int index) {
    const int port = index / 2 + 1;
    const bool output = index % 2 == 1;
    const auto number = static_cast<std::uint8_t>(port);
    const CommandBytes query =
        output ? cmd::outputAttachedQuery(number) : cmd::inputAttachedQuery(number);
    const std::uint8_t answer = output ? cmd::QueryOutputAttached : cmd::QueryInputAttached;
    return Step{std::string(output ? "output " : "input ") + std::to_string(port) + " query",
                {{0, [this, query] { link_.send(query); }}},
                [this, answer, port](const Reply& reply) {
                    const Frame& f = reply.frame;
                    if (f[2] != cmd::GroupQuery || f[3] != answer || f[4] != port)
                        return ReplyVerdict::NotMine;
                    // A serial answer with a wrong checksum is ignored (the resend follows at
                    // its time); over TCP the status-reply gate holds answers back.
                    const bool usable =
                        reply.transport == Transport::Serial ? reply.intact : !statusGate_;
                    return usable ? ReplyVerdict::Answer : ReplyVerdict::NotMine;
                },
                [this, index](const Reply& reply) { onPortAnswered(index, reply); },
                RetryPolicy::resendOnce(FirstChanceMs, SecondChanceMs)};
}

Step GeneralPage::reportStep(const char* name, const CommandBytes& query,
                             std::uint8_t answerCommand) {
    return Step{name,
                {{0, [this, query] { link_.send(query); }}},
                [answerCommand](const Reply& reply) {
                    const Frame& f = reply.frame;
                    const bool usable = reply.transport == Transport::Serial && reply.intact;
                    return f[2] == cmd::GroupQuery && f[3] == answerCommand && usable
                               ? ReplyVerdict::Answer
                               : ReplyVerdict::NotMine;
                },
                [this](const Reply& reply) { onDeviceReport(reply.frame, true, reply.transport); },
                RetryPolicy::resendOnce(FirstChanceMs, SecondChanceMs)};
}

void GeneralPage::onPortAnswered(int index, const Reply& reply) {
    const int port = index / 2 + 1;
    const bool connected = reply.frame[6] != cmd::NothingValue;
    if (index % 2 == 1) {
        outputConnected_.at(port - 1) = connected;
        outputLabels_.at(port - 1) = device::outputLabel(port, connected);
    } else {
        inputConnected_.at(port - 1) = connected;
        inputLabels_.at(port - 1) = device::inputLabel(port, connected);
    }
    if (index + 1 == 2 * PortCount) {
        endReadout({Outcome::Kind::Done});
        return;
    }
    readoutTalk_.start(portQueryStep(index + 1));
    notify();
}

void GeneralPage::endReadout(const Outcome& outcome, int messageMs) {
    readoutTalk_.stop();
    timers_.stop(ReadoutStartTimer);
    readoutPhase_ = Readout::Idle;
    events_.pageBusy(false);
    // A "Please wait..." box raised elsewhere is closed instead of showing the outcome; the busy
    // box closes in every case (leaving it up would leave the user with no way to go on).
    readoutBusy_.close();
    const bool pleaseWait = state_.messageShown && state_.messageId == Text::PleaseWait;
    if (pleaseWait)
        dialogs_.closeMessage();
    else if (outcome.text != Text::None)
        skeleton_.message().raise(outcome.text, messageMs > 0 ? messageMs : TimeOutMessageMs);
    notify();
    outcomes_(outcome);
}

// --- Switches ---

bool GeneralPage::switchOn(Switch which) const {
    switch (which) {
    case Switch::IrControl:
        return irControl_;
    case Switch::Beep:
        return beep_;
    case Switch::Dvi:
        return dvi_;
    }
    return false;
}

void GeneralPage::clickSwitch(Switch which) {
    requestSwitch(which, !switchOn(which));
}

void GeneralPage::requestSwitch(Switch which, bool on) {
    // The mark stays as it was; the matrix's acknowledgement sets it.
    if (!skeleton_.linkReady(link_)) {
        showLinkDown();
        notify();
        return;
    }
    const std::size_t slot = switchSlot(which);
    requested_.at(slot) = on;
    switchResent_.at(slot) = false;
    sendSwitch(which, on);
    timers_.start(SwitchFirstTimer + static_cast<int>(slot), FirstChanceMs);
    notify();
}

void GeneralPage::sendSwitch(Switch which, bool on) {
    switch (which) {
    case Switch::IrControl:
        link_.send(cmd::irSwitch(on));
        break;
    case Switch::Beep:
        link_.send(cmd::beepSwitch(on));
        break;
    case Switch::Dvi:
        link_.send(cmd::dviSwitch(on));
        break;
    }
}

void GeneralPage::onSwitchTimer(Switch which) {
    const std::size_t slot = switchSlot(which);
    const int timer = SwitchFirstTimer + static_cast<int>(slot);
    timers_.stop(timer);
    const std::optional<bool> requested = requested_.at(slot);
    if (!requested)
        return;
    if (!switchResent_.at(slot)) {
        // The request once more, with what it asked (setting a switch twice does no harm).
        switchResent_.at(slot) = true;
        sendSwitch(which, *requested);
        timers_.start(timer, SecondChanceMs);
        return;
    }
    // No acknowledgement: the mark stays as it was, and the user is told.
    requested_.at(slot).reset();
    skeleton_.message().raise(Text::TimeOut, TimeOutMessageMs);
    notify();
}

bool* GeneralPage::switchMark(Switch which) {
    switch (which) {
    case Switch::IrControl:
        return &irControl_;
    case Switch::Beep:
        return &beep_;
    case Switch::Dvi:
        return &dvi_;
    }
    return nullptr;
}

// --- Factory reset: the question ---

void GeneralPage::clickFactoryReset() {
    if (!skeleton_.linkReady(link_)) {
        showLinkDown();
        return;
    }
    if (resetting_ || confirmPending_)
        return;
    // It overwrites every route and every input's EDID: ask first.
    confirmPending_ = true;
    notify();
    if (confirm_)
        confirm_(ResetQuestion);
}

void GeneralPage::answerFactoryReset(bool yes) {
    if (!confirmPending_)
        return;
    confirmPending_ = false;
    if (!yes) {
        notify();
        return;
    }
    // The link may have gone while the question was up.
    if (!skeleton_.linkReady(link_)) {
        showLinkDown();
        notify();
        return;
    }
    startFactoryReset();
}

// --- Helpers ---

void GeneralPage::showLinkDown() {
    skeleton_.message().announce({Outcome::Kind::LinkDown, state_.linkDownMessage()}, outcomes_,
                                 LinkDownMessageMs);
}

bool GeneralPage::onTimer(int id) {
    return readoutTimers_.dispatch(id) || resetTimers_.dispatch(id) || timers_.dispatch(id);
}

void GeneralPage::onPageTimer(int id) {
    if (readoutBusy_.onTimer(id) || resetBusy_.onTimer(id))
        return;
    switch (id) {
    case SwitchFirstTimer:
        onSwitchTimer(Switch::IrControl);
        break;
    case SwitchFirstTimer + 1:
        onSwitchTimer(Switch::Beep);
        break;
    case SwitchFirstTimer + 2:
        onSwitchTimer(Switch::Dvi);
        break;
    case ReadoutStartTimer:
        onReadoutStartTimer();
        break;
    case ReconnectCheckTimer:
        checkReconnect();
        break;
    default:
        break;
    }
}

void GeneralPage::notify() {
    if (changed_)
        changed_();
}

} // namespace quorvane
