// The EDID page's controls and the requests they start. Replies, failures, standby and the EDID
// switch check are in EdidPageReplies.cpp, EDID files and the download in EdidPageDownload.cpp.
#include "core/edid/EdidPage.h"

#include "core/edid/EdidNames.h"
#include "core/link/Commands.h"

namespace quorvane {

using namespace edid;

namespace {

SerialSettings pageSettings(const LinkState& state) {
    SerialSettings settings = state.pageSerialSettings;
    settings.stopBits = 2;
    return settings;
}

bool inRange(int index, int count) {
    return index >= 0 && index < count;
}

} // namespace

EdidPage::EdidPage(LinkState& state, Timers& timers, SerialLink& serial, TcpLink& tcp,
                   const Clock& clock, Dialogs& dialogs, AppEvents& events)
    : skeleton_(state, timers, dialogs, MessageTimer), state_(state), dialogs_(dialogs),
      events_(events),
      talkTimers_(timers, TimerScope::span(ConversationFirstTimer, Conversation::TimerIdSpan)),
      pageTimers_(timers, {BusyTimer}),
      link_(state, serial, tcp, clock,
            PageLink::Rules{SerialLogCount::EveryByte, TcpLogStyle::FramePerLine}),
      conversation_(talkTimers_, ConversationFirstTimer),
      busyBoxes_{BusyBox(dialogs, pageTimers_, BusyTimer, SetFamily),
                 BusyBox(dialogs, pageTimers_, BusyTimer, CopyFamily),
                 BusyBox(dialogs, pageTimers_, BusyTimer, DownloadFamily),
                 BusyBox(dialogs, pageTimers_, BusyTimer, StatusFamily)} {
    names_.fill(DefaultEdidName);
    link_.setFrameHandler([this](const Frame& frame, bool intact, Transport transport) {
        onFrame(frame, intact, transport);
    });
    talkTimers_.setHandler([this](int id) { conversation_.onTimer(id); });
    pageTimers_.setHandler([this](int id) { onPageTimer(id); });
    skeleton_.routeTimers({&talkTimers_, &pageTimers_});
    conversation_.setListeners({
        {},
        [this](const Step&) { onFailed(); },
        [this] { onStandby(); },
    });
    // A port chosen earlier is opened at once; a failure here is not reported (the read-back
    // that follows every show reports it).
    if (!state_.tcpMode() && state_.comPortNumber != 0)
        link_.openSerial(state_.comPortNumber, pageSettings(state_));
}

EdidPage::~EdidPage() = default;

// --- Page entry ---

void EdidPage::onShow() {
    if (state_.tcpMode()) {
        // The query goes out all the same: a connection that completes late still answers it.
        if (!state_.tcpConnected)
            end({Outcome::Kind::LinkDown, Text::ConnectFailed});
    } else {
        bool opened = false;
        if (state_.comLinkOpen) {
            link_.closeSerial();
            opened = link_.openSerial(state_.comPortNumber, pageSettings(state_));
        }
        if (!opened) {
            end({Outcome::Kind::LinkDown, Text::OpenComFailed});
            return;
        }
    }
    // A request still running keeps its conversation; it reads its own names back when done.
    if (!busy() && !checkingOutput()) {
        request_.operation = Operation::NameRefresh;
        startNameQuery(1, Query::Refresh);
    }
    replyGate_ = false;
    notify();
}

// --- Lists ---

void EdidPage::selectSetMode(int index) {
    if (inRange(index, DefaultEdidMode + 1))
        setMode_ = index;
    notify();
}

void EdidPage::selectSetTarget(int index) {
    if (inRange(index, AllInputs + 1))
        setTarget_ = index;
    notify();
}

void EdidPage::selectCopySource(int index) {
    if (inRange(index, OutputCount))
        copySource_ = index;
    notify();
}

void EdidPage::selectCopyTarget(int index) {
    if (inRange(index, AllInputs + 1))
        copyTarget_ = index;
    notify();
}

void EdidPage::selectDownloadTarget(int index) {
    if (inRange(index, AllInputs + 1))
        downloadTarget_ = index;
    notify();
}

// --- Requests ---

bool EdidPage::refuseWhileBusy() {
    // A copy's output check counts as busy too: a second request would run beside it.
    if (!busy() && !checkingOutput())
        return false;
    end({Outcome::Kind::Busy, Text::PleaseWait});
    return true;
}

bool EdidPage::linkReady() {
    const bool ready = skeleton_.linkReady(link_);
    if (!ready)
        end({Outcome::Kind::LinkDown, state_.linkDownMessage()});
    return ready;
}

void EdidPage::clickSet() {
    if (refuseWhileBusy())
        return;
    replyGate_ = false;
    request_.operation = Operation::Set;
    if (!linkReady())
        return notify();
    request_.mode = setMode_;
    request_.target = setTarget_;
    openBusy(Operation::Set);
    startHandshake();
}

void EdidPage::clickCopy() {
    if (refuseWhileBusy())
        return;
    replyGate_ = false;
    request_.operation = Operation::Copy;
    if (!linkReady())
        return notify();
    request_.source = copySource_;
    request_.target = copyTarget_;
    openBusy(Operation::Copy);
    startOutputCheck();
}

void EdidPage::clickStatus() {
    if (refuseWhileBusy())
        return;
    replyGate_ = false;
    request_.operation = Operation::Status;
    if (!linkReady())
        return notify();
    openBusy(Operation::Status);
    startNameQuery(1, Query::Status);
}

void EdidPage::startHandshake() {
    request_.phase = Phase::Handshake;
    conversation_.start(Step{"EDID handshake",
                             {{0, [this] { send(cmd::edidHandshake); }}},
                             [](const Reply& reply) {
                                 return reply.frame[2] == cmd::GroupEdid &&
                                                reply.frame[3] == cmd::EdidHandshake
                                            ? ReplyVerdict::Answer
                                            : ReplyVerdict::NotMine;
                             },
                             [this](const Reply&) { onHandshakeReply(); },
                             RetryPolicy::resendOnce(StepWaitMs, StepWaitMs)});
    notify();
}

void EdidPage::onHandshakeReply() {
    const auto target = static_cast<std::uint8_t>(request_.target + 1);
    const bool all = request_.target == AllInputs;
    auto isGroupEdid = [](const Frame& f, std::uint8_t command) {
        return f[2] == cmd::GroupEdid && f[3] == command;
    };
    switch (request_.operation) {
    case Operation::Set: {
        auto onAck = [this](const Frame& frame) { onSetAcknowledged(frame); };
        if (request_.mode == DefaultEdidMode) {
            const std::uint8_t ack = all ? cmd::EdidDefaultAll : cmd::EdidDefaultOne;
            startCommand(
                all ? cmd::edidDefaultAll : cmd::edidDefaultOne(target),
                [=](const Frame& f) { return isGroupEdid(f, ack); }, onAck);
        } else {
            const auto mode = static_cast<std::uint8_t>(request_.mode + 1);
            if (all)
                startCommand(
                    cmd::edidSetBuiltInAll(mode),
                    [=](const Frame& f) { return isGroupEdid(f, cmd::EdidSetBuiltInAll); }, onAck);
            else
                startCommand(
                    cmd::edidSetBuiltInOne(mode, target),
                    [=](const Frame& f) {
                        return isGroupEdid(f, cmd::EdidSetBuiltInOne) && f[6] == target;
                    },
                    onAck);
        }
        break;
    }
    case Operation::Copy: {
        const auto output = static_cast<std::uint8_t>(request_.source + 1);
        auto onAck = [this](const Frame& frame) { onCopyAcknowledged(frame); };
        if (all)
            startCommand(
                cmd::edidCopyAll(output),
                [=](const Frame& f) { return isGroupEdid(f, cmd::EdidCopyAll); }, onAck);
        else
            startCommand(
                cmd::edidCopyOne(output, target),
                [=](const Frame& f) { return isGroupEdid(f, cmd::EdidCopyOne) && f[6] == target; },
                onAck);
        break;
    }
    case Operation::Download:
        startDownloadCommand();
        break;
    default:
        // Nothing else starts with a handshake.
        endRequest({});
        notify();
        break;
    }
}

void EdidPage::startCommand(const CommandBytes& command, std::function<bool(const Frame&)> isAck,
                            std::function<void(const Frame&)> onAck) {
    request_.phase = Phase::Command;
    conversation_.start(Step{"EDID command",
                             {{0, [this, command] { send(command); }}},
                             [isAck](const Reply& reply) {
                                 return isAck(reply.frame) ? ReplyVerdict::Answer
                                                           : ReplyVerdict::NotMine;
                             },
                             [onAck](const Reply& reply) { onAck(reply.frame); },
                             RetryPolicy::resendOnce(StepWaitMs, StepWaitMs)});
    notify();
}

void EdidPage::startOutputCheck() {
    const auto output = static_cast<std::uint8_t>(request_.source + 1);
    request_.phase = Phase::OutputCheck;
    // Sent once: its first expiry is already the failure.
    conversation_.start(Step{"output check",
                             {{0, [this, output] { send(cmd::outputAttachedQuery(output)); }}},
                             [output](const Reply& reply) {
                                 const Frame& f = reply.frame;
                                 return f[2] == cmd::GroupQuery &&
                                                f[3] == cmd::QueryOutputAttached && f[4] == output
                                            ? ReplyVerdict::Answer
                                            : ReplyVerdict::NotMine;
                             },
                             [this](const Reply& reply) { onOutputChecked(reply.frame); },
                             RetryPolicy::once(StepWaitMs)});
    notify();
}

void EdidPage::onOutputChecked(const Frame& frame) {
    if (frame[6] == cmd::NothingValue) {
        endRequest({});
        end({Outcome::Kind::Refused, Text::OutputNotConnected, request_.source + 1});
        notify();
        return;
    }
    startHandshake();
}

void EdidPage::startNameQuery(int input, Query kind) {
    const auto n = static_cast<std::uint8_t>(input);
    request_.names = kind;
    request_.phase = Phase::Names;
    // Every query is resent once after 5 s and fails 5 s later with "Time out!", the read-back
    // after a change and on show too: a lost answer would otherwise leave the conversation
    // waiting for ever and the names of the inputs not yet read showing what the matrix no longer
    // holds, with nothing to say so.
    conversation_.start(Step{"EDID name of input " + std::to_string(input),
                             {{0, [this, n] { send(cmd::inputEdidQuery(n)); }}},
                             [n](const Reply& reply) {
                                 const Frame& f = reply.frame;
                                 return f[2] == cmd::GroupQuery && f[3] == cmd::QueryInputEdid &&
                                                f[4] == n && f[5] == 0x00
                                            ? ReplyVerdict::Answer
                                            : ReplyVerdict::NotMine;
                             },
                             [this, kind](const Reply& reply) { onNameAnswer(reply.frame, kind); },
                             RetryPolicy::resendOnce(StepWaitMs, StepWaitMs)});
    notify();
}

// --- Shown state ---

void EdidPage::openBusy(Operation operation) {
    // One animation per family of texts, all on the page's one busy timer.
    switch (operation) {
    case Operation::Copy:
        activeBusy_ = &busyBoxes_[1];
        break;
    case Operation::Download:
        activeBusy_ = &busyBoxes_[2];
        break;
    case Operation::Status:
        activeBusy_ = &busyBoxes_[3];
        break;
    default:
        activeBusy_ = &busyBoxes_[0];
        break;
    }
    // The box opens on the three-dot text; the ticks then step one, two, three dots.
    activeBusy_->open(3);
}

void EdidPage::endRequest(Ending ending) {
    conversation_.stop();
    request_.phase = Phase::Idle;
    if (ending.closeBusy)
        closeBusy();
    if (ending.closePleaseWait)
        skeleton_.message().closePleaseWait();
}

void EdidPage::closeBusy() {
    pageTimers_.stop(BusyTimer);
    if (state_.busyShown)
        dialogs_.closeBusy();
}

void EdidPage::end(const Outcome& outcome, int ms, bool onlyIfHidden) {
    skeleton_.message().announce(outcome, outcomes_, ms, onlyIfHidden);
}

void EdidPage::showName(int input, std::uint8_t reported) {
    if (input >= 1 && input <= InputCount)
        names_.at(input - 1) = nameForIndex(reported);
}

void EdidPage::send(const CommandBytes& command) {
    link_.send(command);
}

void EdidPage::notify() {
    if (changed_)
        changed_();
}

} // namespace quorvane
