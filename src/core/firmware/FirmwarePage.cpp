// The firmware page's controls, its file and merge tool, and the steps of an upgrade. Replies,
// the device-information chain, time-outs and standby are in FirmwarePageReplies.cpp.
#include "core/firmware/FirmwarePage.h"

#include "core/firmware/FirmwareIds.h"
#include "core/link/Commands.h"

#include <cstdio>

namespace quorvane {

using namespace firmware;

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string partName(int part) {
    std::string name = processorName(part);
    if (part == 1)
        name += ", Part_1.1.0.0";
    else if (part == 2)
        name += ", Part_2.1.0.0";
    return name;
}

std::string hexPair(const FirmwareFile& file, std::size_t at) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X %02X", file.at(at), file.at(at + 1));
    return text;
}

} // namespace

FirmwarePage::FirmwarePage(LinkState& state, Timers& timers, SerialLink& serial, TcpLink& tcp,
                           const Clock& clock, Dialogs& dialogs, AppEvents& events)
    : skeleton_(state, timers, dialogs, MessageTimer), state_(state), dialogs_(dialogs),
      events_(events),
      talkTimers_(timers, TimerScope::span(ConversationFirstTimer, Conversation::TimerIdSpan)),
      link_(state, serial, tcp, clock,
            PageLink::Rules{SerialLogCount::NotLogged, TcpLogStyle::None}),
      conversation_(talkTimers_, ConversationFirstTimer) {
    link_.setFrameHandler([this](const Frame& frame, bool intact, Transport transport) {
        onFrame(frame, intact, transport);
    });
    talkTimers_.setHandler([this](int id) { conversation_.onTimer(id); });
    skeleton_.routeTimers({&talkTimers_});
    conversation_.setListeners({
        {},
        [this](const Step&) { fail(currentPart_, failLine_); },
        [this] { onStandby(); },
    });
    // A port chosen earlier is opened at once; a failure here is not reported (the information
    // query that follows every show reports it).
    if (!state_.tcpMode() && state_.comPortNumber != 0)
        link_.openSerial(state_.comPortNumber, state_.pageSerialSettings);
}

FirmwarePage::~FirmwarePage() = default;

void FirmwarePage::onSwitchedTo() {
    upgradeMode_ = false;
    infoQueryStarted_ = false;
}

// --- File and logs ---

bool FirmwarePage::openFile(const std::string& path) {
    // A file loaded during an upgrade would mix two files on the wire.
    if (upgrading_ || !(endsWith(path, ".fw") || endsWith(path, ".BIN")))
        return false;
    switch (file_.loadFromPath(path)) {
    case FirmwareFile::LoadResult::TooLarge:
        appendMessages(FileTooLargeLine);
        showMessage({Outcome::Kind::InvalidInput, Text::FileTooLarge});
        return false;
    case FirmwareFile::LoadResult::Unreadable:
        showMessage({Outcome::Kind::InvalidInput, Text::FileUnreadable});
        return false;
    case FirmwareFile::LoadResult::Loaded:
        break;
    }
    filePath_ = path;
    describeFile();
    notify();
    return true;
}

void FirmwarePage::describeFile() {
    fileInfo_.clear();
    const auto markers = findMarkers(file_);
    for (const PartPlan& m : markers) {
        fileInfo_.push_back("Section " + hexPair(file_, m.start) + " (" + partName(m.part) +
                            "): " + std::to_string(m.imageSize()) + " bytes at offset " +
                            std::to_string(m.start));
    }
    if (markers.empty())
        fileInfo_.push_back("No section marker in the file");
    const UpgradePlan plan = planUpgrade(file_);
    for (const PartPlan& p : plan.parts) {
        std::string line = "Upgrade sends part " + std::to_string(p.part) + " (" +
                           partName(p.part) + "): " + std::to_string(p.imageSize()) +
                           " bytes from offset " + std::to_string(p.start) + ", " +
                           std::to_string(p.blocksSent()) + " blocks";
        if (p.blocksSkipped() > 0)
            line += " (" + std::to_string(p.blocksSkipped()) + " skipped by bank switches)";
        std::size_t inside = 0;
        for (const PartPlan& m : markers) {
            if (m.start > p.start && m.start < p.end)
                ++inside;
        }
        if (inside > 0)
            line += ", with the " + std::to_string(inside) + " section(s) behind its marker";
        fileInfo_.push_back(line);
    }
    if (plan.parts.empty() && plan.stoppedAt) {
        fileInfo_.push_back("Upgrade stops at offset " + std::to_string(*plan.stoppedAt) + " (" +
                            hexPair(file_, *plan.stoppedAt) + " is no part marker)");
    }
    if (!plan.refusal.empty())
        fileInfo_.push_back(std::string(textOf(Text::UpgradeRefused)) + plan.refusal);
}

void FirmwarePage::clearMessages() {
    messages_.clear();
    notify();
}

void FirmwarePage::clearTrafficLogs() {
    link_.sendLog().clear();
    link_.receiveLog().clear();
}

void FirmwarePage::clearSentLog() {
    link_.sendLog().clear();
}

void FirmwarePage::appendMessages(const std::string& text) {
    messages_ += text;
}

// --- Merge tool ---

void FirmwarePage::openMergeImage(int row, const std::string& path) {
    switch (merge_.loadImage(row, path)) {
    case FirmwareMerge::LoadResult::TooLarge:
        showMessage({Outcome::Kind::InvalidInput, Text::ImageTooLarge});
        break;
    case FirmwareMerge::LoadResult::Unreadable:
        showMessage({Outcome::Kind::InvalidInput, Text::FileUnreadable});
        break;
    case FirmwareMerge::LoadResult::NotAccepted:
    case FirmwareMerge::LoadResult::Loaded:
        break;
    }
    notify();
}

void FirmwarePage::merge() {
    const FirmwareMerge::Outcome outcome = merge_.merge();
    appendMessages(outcome.messages);
    if (outcome.kind == FirmwareMerge::Outcome::Kind::TooLarge)
        showMessage({Outcome::Kind::InvalidInput, Text::MergedTooLarge});
    else if (outcome.kind == FirmwareMerge::Outcome::Kind::WriteFailed)
        showMessage({Outcome::Kind::Refused, Text::MergeWriteFailed});
    else if (outcome.kind == FirmwareMerge::Outcome::Kind::MarkerInImage)
        showMessage({Outcome::Kind::InvalidInput, Text::MergeMarker});
    notify();
}

void FirmwarePage::closeMergeTool() {
    merge_.clear();
    notify();
}

// --- Starting an upgrade ---

void FirmwarePage::upgrade() {
    if (upgrading_ || !upgradeEnabled_)
        return;
    replyGate_ = false;
    upgradeMode_ = true;
    if (state_.tcpMode()) {
        if (state_.tcpConnected)
            showMessage({Outcome::Kind::InvalidInput, Text::SelectComMode});
        else
            showMessage({Outcome::Kind::LinkDown, Text::ConnectFailed});
        return;
    }
    if (!link_.serialOpen()) {
        showMessage({Outcome::Kind::LinkDown, Text::OpenComFailed});
        return;
    }
    // The whole file is planned before anything is sent: a file that cannot be sent whole
    // never reaches the matrix (which would otherwise be erased for an upgrade that cannot
    // finish).
    plan_ = planUpgrade(file_);
    if (plan_.parts.empty()) {
        // No file, or one that does not begin with a marker.
        upgrading_ = true;
        showMessage({Outcome::Kind::InvalidInput, Text::UpgradeFailed}, MessageMs,
                    [this] { endUpgrade(0, ""); });
        notify();
        return;
    }
    if (!plan_.sendable()) {
        const Outcome refused{Outcome::Kind::InvalidInput, Text::UpgradeRefused, 0, plan_.refusal};
        appendMessages(refused.wording() + "\r\n");
        showMessage(refused);
        notify();
        return;
    }
    partEnds_.fill(0);
    blockIndex_ = 0;
    part1Count_ = 0;
    erasePhase_ = false;
    progressCounter_ = 0;
    upgrading_ = true;
    startPart(0);
}

void FirmwarePage::startPart(std::size_t index) {
    const PartPlan& planned = plan_.parts.at(index);
    const int part = planned.part;
    partIndex_ = index;
    partEnds_.at(static_cast<std::size_t>(part - 1)) = planned.end;
    partStart_ = planned.start;
    lastBlock_ = planned.lastBlock();
    currentPart_ = part;
    static constexpr const char* FailLines[4] = {Part1WriteFailedLine, Part2FailedLine,
                                                 Part3FailedLine, Part4FailedLine};
    if (part == 1)
        appendMessages(Part1StartLine);
    else if (part == 2)
        appendMessages(Part2StartLine);
    if (part <= 2)
        progressMax_ = static_cast<int>(planned.imageSize());
    upgradeEnabled_ = false;
    startStep(partStartStep(part), FailLines[part - 1]);
    notify();
}

Step FirmwarePage::partStartStep(int part) {
    static constexpr CommandBytes Starts[4] = {cmd::firmwareStartPart1, cmd::firmwareStartPart2,
                                               cmd::firmwareStartPart3, cmd::firmwareStartPart4};
    const CommandBytes start = Starts[part - 1];
    Step step{"part " + std::to_string(part) + " start",
              {{0, [this, start] { send(start); }}},
              {},
              {},
              RetryPolicy::resendOnce(StartRetryMs, StartRetryMs)};
    step.answersOnceSent = true;
    switch (part) {
    case 1:
        step.match = [](const Reply& r) {
            return cmd::isPart1StartAcknowledgement(r.frame) ? ReplyVerdict::Answer
                                                             : ReplyVerdict::NotMine;
        };
        step.onAnswer = [this](const Reply&) { startStep(eraseStep(), Part1WriteFailedLine); };
        break;
    case 2:
        step.match = [](const Reply& r) {
            return cmd::isPart2StartAcknowledgement(r.frame) ? ReplyVerdict::Answer
                                                             : ReplyVerdict::NotMine;
        };
        step.onAnswer = [this](const Reply&) {
            blockIndex_ = 0;
            startBlock(0, true);
        };
        break;
    case 3:
        step.match = [](const Reply& r) {
            return cmd::isPart3GoAhead(r.frame) ? ReplyVerdict::Answer : ReplyVerdict::NotMine;
        };
        step.onAnswer = [this](const Reply&) {
            blockIndex_ = 0;
            startBlock(0, true);
        };
        break;
    default:
        // Nothing the matrix sends answers part 4: it ends by its time-out.
        step.match = [](const Reply&) { return ReplyVerdict::NotMine; };
        break;
    }
    return step;
}

Step FirmwarePage::eraseStep() {
    Step step{"erase",
              {{0, [this] { send(cmd::firmwareErase); }}},
              [](const Reply& r) {
                  return cmd::isEraseOrPrepareAcknowledgement(r.frame) ? ReplyVerdict::Answer
                                                                       : ReplyVerdict::NotMine;
              },
              [this](const Reply&) {
                  erasePhase_ = true;
                  startStep(prepareStep(), Part1WriteFailedLine);
              },
              RetryPolicy::resendOnce(EraseRetryMs, EraseRetryMs)};
    step.startAfterMs = EraseDelayMs;
    step.answersOnceSent = true;
    return step;
}

Step FirmwarePage::prepareStep() {
    // The erase and prepare acknowledgements are the same bytes. The prepare goes out a pause
    // after the erase acknowledgement, and only an acknowledgement after it counts: a repeated
    // erase acknowledgement within the pause is not taken for the prepare's.
    Step step{"prepare",
              {{0, [this] { send(cmd::firmwarePrepare); }}},
              [](const Reply& r) {
                  return cmd::isEraseOrPrepareAcknowledgement(r.frame) ? ReplyVerdict::Answer
                                                                       : ReplyVerdict::NotMine;
              },
              [this](const Reply&) {
                  erasePhase_ = false;
                  blockIndex_ = 0;
                  startBlock(0, true);
              },
              RetryPolicy::resendOnce(PrepareRetryMs, PrepareRetryMs)};
    step.startAfterMs = PrepareDelayMs;
    step.answersOnceSent = true;
    return step;
}

// --- Blocks ---

void FirmwarePage::startBlock(std::size_t blockNumber, bool first) {
    static constexpr const char* FailLines[3] = {Part1FailedLine, Part2FailedLine, Part3FailedLine};
    erasePhase_ = false;
    startStep(blockStep(blockNumber, first), FailLines[currentPart_ - 1]);
    notify();
}

Step FirmwarePage::blockStep(std::size_t blockNumber, bool first) {
    const auto part = static_cast<std::uint8_t>(currentPart_);
    const int index = blockIndex_;
    const bool last = lastBlock(blockNumber);
    // Block 240 of the main image switches banks (its frames carry B0 01); the matrix
    // acknowledges it with B0 and the next block starts the next bank.
    const bool bankSwitch = currentPart_ == 1 && !last && index == BankSwitchIndex;
    // The block is copied out of the file once; a resend sends the same header and block.
    auto data = std::make_shared<const Block>(file_.block(partStart_, blockNumber));
    if (currentPart_ <= 2) {
        progressCounter_ += static_cast<int>(BlockDataSize);
        progressPosition_ = progressCounter_ - 1;
    }
    const auto indexByte = static_cast<std::uint8_t>(index & 0xFF);
    const CommandBytes header = last ? cmd::firmwareLastBlockHeader(part, indexByte)
                                     : cmd::firmwareBlockHeader(part, indexByte);
    Step step{(last ? "last block " : "block ") + std::to_string(blockNumber) + " of part " +
                  std::to_string(currentPart_),
              {{0, [this, header, last] { send(header, !last); }},
               {first ? FirstBlockGapMs : NextBlockGapMs,
                [this, data] {
                    TrafficLog& log = link_.sendLog();
                    if (conversation_.attempt() > 0)
                        log.appendText("\r\n");
                    log.appendText("Send data:\r\n");
                    log.appendText("\r\n");
                    link_.sendRaw(data->data(), data->size(), false);
                }}},
              {},
              {},
              first ? RetryPolicy::resendOnce(FirstBlockRetryMs, FirstBlockFailMs)
                    : RetryPolicy::resendOnce(BlockRetryMs, BlockFailMs)};
    // Only what the matrix says after the whole block went out answers it.
    step.answersOnceSent = true;
    if (!last) {
        const std::size_t next =
            currentPart_ == 1
                ? (bankSwitch ? (blockNumber / BlocksPerBank + 1) * BlocksPerBank : blockNumber + 1)
                : blockNumber + 1;
        step.match = [this, part, indexByte, bankSwitch, next](const Reply& r) {
            return matchBlockAcknowledgement(r.frame, part, indexByte, bankSwitch, next);
        };
        step.onAnswer = [this, index, bankSwitch, next](const Reply&) {
            if (currentPart_ == 1) {
                if (bankSwitch) {
                    // The rest of this bank (blocks 241..255 of it) is skipped.
                    progressCounter_ += BankSwitchSkip;
                    blockIndex_ = 0;
                } else {
                    blockIndex_ = index + 1;
                }
                part1Count_ = static_cast<int>(next);
            } else {
                blockIndex_ = index + 1;
            }
            startBlock(next, false);
        };
    } else if (currentPart_ <= 2) {
        step.match = [part](const Reply& r) {
            return cmd::isFirmwareEndAcknowledgement(r.frame, part) ? ReplyVerdict::Answer
                                                                    : ReplyVerdict::NotMine;
        };
        step.onAnswer = [this](const Reply&) {
            if (currentPart_ == 1) {
                appendMessages(RebootingLine);
                startRebootPolls();
            } else {
                endPart(2, true, Part2CompleteLine);
                startRebootPolls();
                appendMessages(RebootingLine);
            }
            notify();
        };
    } else {
        // Part 3 has no end acknowledgement: once its last block is out the matrix reboots.
        step.match = [](const Reply&) { return ReplyVerdict::NotMine; };
        step.onSent = [this] {
            appendMessages(RebootingLine);
            startRebootPolls();
            notify();
        };
    }
    return step;
}

ReplyVerdict FirmwarePage::matchBlockAcknowledgement(const Frame& frame, std::uint8_t part,
                                                     std::uint8_t index, bool bankSwitch,
                                                     std::size_t next) const {
    if (!cmd::isFirmwareBlockAcknowledgement(frame, part))
        return ReplyVerdict::NotMine;
    // k names the block written: one for another block (late, repeated or stale) answers
    // nothing sent now.
    if (frame[10] != index)
        return ReplyVerdict::NotMine;
    // m says how the block was written: B0 for the bank-switch block, 40 for every other one.
    // Anything else cannot be trusted, and the block goes again.
    const std::uint8_t expected = bankSwitch ? BankSwitchMark : cmd::FirmwareMark;
    if (frame[9] != expected)
        return ReplyVerdict::Damaged;
    // One that would run past the last block answers nothing sent: the wait goes on.
    return next > lastBlock_ ? ReplyVerdict::NotMine : ReplyVerdict::Answer;
}

// --- Reboot and the end of an upgrade ---

Step FirmwarePage::rebootPollStep() {
    return Step{"reboot poll",
                {{0, [this] { send(cmd::deviceTypeQuery); }}},
                [this](const Reply& r) {
                    return upgradeMode_ && cmd::isRebootReport(r.frame) ? ReplyVerdict::Answer
                                                                        : ReplyVerdict::NotMine;
                },
                [this](const Reply&) { onRebootReport(); },
                RetryPolicy{std::vector<int>(RebootPolls, RebootPollMs)},
                0,
                {},
                true};
}

void FirmwarePage::startRebootPolls() {
    static constexpr const char* FailLines[3] = {Part1WriteFailedLine, Part2WriteFailedLine,
                                                 Part3FailedLine};
    startStep(rebootPollStep(), FailLines[currentPart_ - 1]);
}

void FirmwarePage::onRebootReport() {
    progressCounter_ = 0;
    appendMessages(RebootOkLine);
    if (currentPart_ == 1)
        endPart(1, true, Part1CompleteLine);
    if (partIndex_ + 1 < plan_.parts.size())
        startPart(partIndex_ + 1);
    else
        succeed();
    notify();
}

void FirmwarePage::succeed() {
    appendMessages(SuccessLine);
    upgradeEnabled_ = true;
    progressPosition_ = 0;
    part1Count_ = 0;
    upgrading_ = false;
    events_.pageBusy(false);
    notify();
    outcomes_({Outcome::Kind::Done});
}

void FirmwarePage::fail(int part, const std::string& line) {
    skeleton_.message().announce(
        {Outcome::Kind::TimedOut, Text::TimeOut}, outcomes_, MessageMs, true,
        conversation_.guard([this, part, line] { endUpgrade(part, line); }));
    notify();
}

void FirmwarePage::refuse(int part) {
    conversation_.stop();
    showMessage({Outcome::Kind::Refused, part == 1 ? Text::Part1Refused : Text::Part2Refused},
                MessageMs, [this, part] {
                    endUpgrade(part, part == 1 ? Part1WriteFailedLine : Part2WriteFailedLine);
                });
    notify();
}

void FirmwarePage::endPart(int part, bool complete, const char* line) {
    appendMessages(line);
    if (partEnded_) {
        std::string shown(line);
        while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r'))
            shown.pop_back();
        partEnded_(part, complete, shown);
    }
}

void FirmwarePage::endUpgrade(int part, const std::string& line) {
    upgradeEnabled_ = true;
    if (part > 0 && !line.empty())
        endPart(part, false, line.c_str());
    else
        appendMessages(line);
    upgrading_ = false;
    events_.pageBusy(false);
    notify();
}

// --- Sending ---

void FirmwarePage::send(CommandBytes command, bool bankSwitchMark) {
    if (bankSwitchMark && blockIndex_ == BankSwitchIndex) {
        command[7] = BankSwitchMark;
        command[8] = 0x01;
    }
    link_.send(command);
}

void FirmwarePage::startStep(Step step, const char* failLine) {
    failLine_ = failLine;
    conversation_.start(std::move(step));
}

void FirmwarePage::showMessage(const Outcome& outcome, int ms, Dialogs::Continuation then) {
    skeleton_.message().announce(outcome, outcomes_, ms > 0 ? ms : MessageMs, false,
                                 then ? conversation_.guard(std::move(then))
                                      : Dialogs::Continuation{});
}

void FirmwarePage::notify() {
    if (changed_)
        changed_();
}

} // namespace quorvane
