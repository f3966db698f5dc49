// The Matrix page's controls and the commands they start. Replies, time-outs and standby are in
// MatrixPageReplies.cpp.
#include "core/routing/MatrixPage.h"

#include "core/link/Commands.h"

#include <algorithm>

namespace quorvane {

using namespace routing;

MatrixPage::MatrixPage(LinkState& state, Timers& timers, SerialLink& serial, TcpLink& tcp,
                       const Clock& clock, Dialogs& dialogs, AppEvents& events)
    : skeleton_(state, timers, dialogs, MessageTimer), state_(state), dialogs_(dialogs),
      events_(events),
      talkTimers_(timers, TimerScope::span(ConversationFirstTimer, Conversation::TimerIdSpan)),
      pageTimers_(timers, {BusyTimer}),
      link_(state, serial, tcp, clock,
            PageLink::Rules{SerialLogCount::CollectedBytes, TcpLogStyle::EveryByte}),
      conversation_(talkTimers_, ConversationFirstTimer),
      busy_(dialogs, pageTimers_, BusyTimer, BusyFamily) {
    presetSources_.fill(1);
    configIdle_.fill(true);
    outputSource_.fill(1);
    for (int output = 1; output <= OutputCount; ++output)
        display_.at(output - 1) = std::to_string(presetSources_.at(output - 1));
    presetTable_.writeRow(presetRow_, presetTable_.cell(presetRow_, 0), presetSources_);

    link_.setFrameHandler([this](const Frame& frame, bool intact, Transport transport) {
        onFrame(frame, intact, transport);
    });
    link_.setTcpGate([this] { return tcpRoutingActive_; });
    talkTimers_.setHandler([this](int id) { conversation_.onTimer(id); });
    pageTimers_.setHandler([this](int id) { onPageTimer(id); });
    skeleton_.routeTimers({&talkTimers_, &pageTimers_});
    conversation_.setListeners({
        [this](Conversation::Retry why, int) { onResend(why); },
        [this](const Step&) { onFailed(); },
        [this] { onStandby(); },
    });

    // A port chosen earlier is opened at once; a failure here is not reported (the status read
    // that follows every show reports it).
    if (!state_.tcpMode() && state_.comPortNumber != 0)
        link_.openSerial(state_.comPortNumber, state_.pageSerialSettings);
}

MatrixPage::~MatrixPage() = default;

// --- Output groups ---

void MatrixPage::clickInput(int output, int input) {
    if (!isPort(output) || !isPort(input) || routingBusy_)
        return;
    if (!skeleton_.linkReady(link_, TcpNeed::Ready)) {
        showLinkDown();
        return;
    }
    startRoute(output, input, GroupFirstChanceMs);
}

void MatrixPage::clickPrevious(int output) {
    if (isPort(output))
        clickInput(output, previousInput(outputSource(output)));
}

void MatrixPage::clickNext(int output) {
    if (isPort(output))
        clickInput(output, nextInput(outputSource(output)));
}

void MatrixPage::onAnySwitch() {
    tcpRoutingActive_ = false;
    notify(); // the presets controls follow the page on show
}

// --- Status read ---

void MatrixPage::onShow() {
    if (routingBusy_)
        return;
    const bool up = state_.tcpMode() ? state_.tcpConnected : link_.reopenSerialForShow();
    if (!up) {
        showLinkDown();
        return;
    }
    startStatusRead(1, FirstQueryChanceMs);
}

// --- Presets and output configuration ---

void MatrixPage::pickPreset(int row) {
    if (!controlsIdle() || row < 0 || row >= PresetRowCount)
        return;
    presetRow_ = row;
    presetName_ = presetTable_.cell(row, 0);
    presetTable_.loadRow(row, presetSources_);
    notify();
}

void MatrixPage::applyEditedPreset(const PresetSources& sources, const std::string& name) {
    presetSources_ = sources;
    presetName_ = name;
    presetTable_.writeRow(presetRow_, name, sources);
    notify();
}

void MatrixPage::sendPreset() {
    if (!presetControlsUsable())
        return;
    if (!presetLinkReady() || !controlsIdle() || routingBusy_)
        return;
    startChain();
}

void MatrixPage::selectOutput(int index) {
    if (!presetControlsUsable() || index < 0 || index > SelectPortToPort)
        return;
    selectedOutput_ = index;
    notify();
    if (index != SelectPortToPort)
        return;
    if (!presetLinkReady() || !controlsIdle() || routingBusy_)
        return;
    for (int output = 1; output <= OutputCount; ++output)
        presetSources_.at(output - 1) = output - 1;
    startChain();
}

void MatrixPage::configureOutput(int input) {
    if (!presetControlsUsable() || !isPort(input) || routingBusy_)
        return;
    if (!presetLinkReady())
        return;
    if (selectedOutput_ == SelectPortToPort || !controlsIdle())
        return;
    configIdle_.at(input - 1) = false;
    pendingInput_ = input;
    if (selectedOutput_ == SelectAllOutputs) {
        presetSources_.fill(input - 1);
        startChain();
    } else {
        startRoute(selectedOutput_ + 1, input, PresetFirstChanceMs);
    }
}

// --- Sending ---

void MatrixPage::send(const CommandBytes& command) {
    // Answers over TCP are read while the page has something outstanding there.
    if (state_.tcpMode())
        tcpRoutingActive_ = true;
    link_.send(command);
}

Step MatrixPage::routeStep(int output, int input, int firstChanceMs) {
    const CommandBytes route =
        cmd::routeInput(static_cast<std::uint8_t>(input), static_cast<std::uint8_t>(output));
    return Step{"route input " + std::to_string(input) + " to output " + std::to_string(output),
                {{0,
                  [this, route, output] {
                      lastRouteOutput_ = output;
                      send(route);
                  }}},
                [this, output](const Reply& reply) { return matchAcknowledgement(reply, output); },
                [this, output](const Reply&) { onAcknowledged(output); },
                RetryPolicy::resendOnce(firstChanceMs, SecondChanceMs)};
}

Step MatrixPage::queryStep(int output, int firstChanceMs) {
    const CommandBytes query = cmd::routingQuery(static_cast<std::uint8_t>(output));
    return Step{"routing query for output " + std::to_string(output),
                {{0, [this, query] { send(query); }}},
                [output](const Reply& reply) {
                    return cmd::isRoutingReport(reply.frame) && reply.frame[4] == output
                               ? ReplyVerdict::Answer
                               : ReplyVerdict::NotMine;
                },
                [this](const Reply& reply) { onQueryAnswered(reply); },
                RetryPolicy::resendOnce(firstChanceMs, SecondChanceMs)};
}

void MatrixPage::startRoute(int output, int input, int firstChanceMs) {
    routingBusy_ = true;
    pendingInput_ = input;
    exchange_ = Exchange::Route;
    conversation_.start(routeStep(output, input, firstChanceMs));
    notify();
}

void MatrixPage::startChain() {
    presetIdle_ = false;
    routingBusy_ = true;
    for (int output = 1; output <= OutputCount; ++output)
        chainInputs_.at(output - 1) = presetSources_.at(output - 1) + 1;
    exchange_ = Exchange::Chain;
    events_.pageBusy(true);
    sendChainStep(1);
}

void MatrixPage::sendChainStep(int output) {
    const int input = chainInputs_.at(output - 1);
    pendingInput_ = input;
    conversation_.start(routeStep(output, input, PresetFirstChanceMs));
    notify();
}

void MatrixPage::startStatusRead(int firstOutput, int firstChanceMs) {
    routingBusy_ = true;
    exchange_ = Exchange::StatusRead;
    events_.pageBusy(true);
    conversation_.start(queryStep(firstOutput, firstChanceMs));
    notify();
}

void MatrixPage::endExchange(const Outcome& outcome) {
    const bool ran = exchange_ != Exchange::None;
    conversation_.stop();
    exchange_ = Exchange::None;
    routingBusy_ = false;
    presetIdle_ = true;
    configIdle_.fill(true);
    events_.pageBusy(false);
    notify();
    if (ran)
        outcomes_(outcome);
}

// --- Link checks and shown state ---

bool MatrixPage::presetLinkReady() {
    if (skeleton_.linkReady(link_, TcpNeed::Ready))
        return true;
    // Over the serial link the refusal is a notice that stays until it is read.
    if (state_.tcpMode()) {
        showLinkDown();
    } else {
        dialogs_.showNotice(std::string(textOf(Text::OpenSerialNotice)));
        outcomes_({Outcome::Kind::LinkDown, Text::OpenSerialNotice});
    }
    return false;
}

bool MatrixPage::controlsIdle() const {
    return presetIdle_ &&
           std::all_of(configIdle_.begin(), configIdle_.end(), [](bool idle) { return idle; });
}

void MatrixPage::showLinkDown() {
    skeleton_.message().announce({Outcome::Kind::LinkDown, state_.linkDownMessage()}, outcomes_,
                                 MessageMs);
}

void MatrixPage::showDisplay(int output, int value) {
    display_.at(output - 1) = std::to_string(value);
}

void MatrixPage::showRoute(int input, int output) {
    if (isPort(input))
        pressed_.at(output - 1) = input;
}

void MatrixPage::notify() {
    if (changed_)
        changed_();
}

} // namespace quorvane
