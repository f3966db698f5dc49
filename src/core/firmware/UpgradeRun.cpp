// The firmware upgrade's steps: planning, each part's start, erase and prepare, the blocks, the
// reboot polls and the end of an upgrade.
#include "core/firmware/UpgradeRun.h"

#include "core/firmware/FirmwareIds.h"

#include <memory>
#include <vector>

namespace quorvane {

using namespace firmware;

UpgradeRun::UpgradeRun(Host& host, PageLink& link, Conversation& conversation,
                       const FirmwareFile& file)
    : host_(host), link_(link), conversation_(conversation), file_(file) {}

void UpgradeRun::start() {
    // The whole file is planned before anything is sent: a file that cannot be sent whole
    // never reaches the matrix (which would otherwise be erased for an upgrade that cannot
    // finish).
    plan_ = planUpgrade(file_);
    if (plan_.parts.empty()) {
        // No file, or one that does not begin with a marker.
        running_ = true;
        host_.showMessage({Outcome::Kind::InvalidInput, Text::UpgradeFailed}, MessageMs,
                          [this] { endUpgrade(0, ""); });
        host_.notify();
        return;
    }
    if (!plan_.sendable()) {
        const Outcome refused{Outcome::Kind::InvalidInput, Text::UpgradeRefused, 0, plan_.refusal};
        host_.appendMessages(refused.wording() + "\r\n");
        host_.showMessage(refused, 0, {});
        host_.notify();
        return;
    }
    partEnds_.fill(0);
    blockIndex_ = 0;
    part1Count_ = 0;
    erasePhase_ = false;
    progressCounter_ = 0;
    running_ = true;
    startPart(0);
}

void UpgradeRun::endAfterStandby() {
    if (!running_)
        return;
    upgradeEnabled_ = true;
    running_ = false;
    host_.pageFree();
}

void UpgradeRun::startPart(std::size_t index) {
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
        host_.appendMessages(Part1StartLine);
    else if (part == 2)
        host_.appendMessages(Part2StartLine);
    if (part <= 2)
        progressMax_ = static_cast<int>(planned.imageSize());
    upgradeEnabled_ = false;
    startStep(partStartStep(part), FailLines[part - 1]);
    host_.notify();
}

Step UpgradeRun::partStartStep(int part) {
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

Step UpgradeRun::eraseStep() {
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

Step UpgradeRun::prepareStep() {
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

void UpgradeRun::startBlock(std::size_t blockNumber, bool first) {
    static constexpr const char* FailLines[3] = {Part1FailedLine, Part2FailedLine, Part3FailedLine};
    erasePhase_ = false;
    startStep(blockStep(blockNumber, first), FailLines[currentPart_ - 1]);
    host_.notify();
}

Step UpgradeRun::blockStep(std::size_t blockNumber, bool first) {
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
                host_.appendMessages(RebootingLine);
                startRebootPolls();
            } else {
                host_.endPart(2, true, Part2CompleteLine);
                startRebootPolls();
                host_.appendMessages(RebootingLine);
            }
            host_.notify();
        };
    } else {
        // Part 3 has no end acknowledgement: once its last block is out the matrix reboots.
        step.match = [](const Reply&) { return ReplyVerdict::NotMine; };
        step.onSent = [this] {
            host_.appendMessages(RebootingLine);
            startRebootPolls();
            host_.notify();
        };
    }
    return step;
}

ReplyVerdict UpgradeRun::matchBlockAcknowledgement(const Frame& frame, std::uint8_t part,
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

Step UpgradeRun::rebootPollStep() {
    return Step{"reboot poll",
                {{0, [this] { send(cmd::deviceTypeQuery); }}},
                [this](const Reply& r) {
                    return host_.upgradeMode() && cmd::isRebootReport(r.frame)
                               ? ReplyVerdict::Answer
                               : ReplyVerdict::NotMine;
                },
                [this](const Reply&) { onRebootReport(); },
                RetryPolicy{std::vector<int>(RebootPolls, RebootPollMs)},
                0,
                {},
                true};
}

void UpgradeRun::startRebootPolls() {
    static constexpr const char* FailLines[3] = {Part1WriteFailedLine, Part2WriteFailedLine,
                                                 Part3FailedLine};
    startStep(rebootPollStep(), FailLines[currentPart_ - 1]);
}

void UpgradeRun::onRebootReport() {
    progressCounter_ = 0;
    host_.appendMessages(RebootOkLine);
    if (currentPart_ == 1)
        host_.endPart(1, true, Part1CompleteLine);
    if (partIndex_ + 1 < plan_.parts.size())
        startPart(partIndex_ + 1);
    else
        succeed();
    host_.notify();
}

void UpgradeRun::succeed() {
    host_.appendMessages(SuccessLine);
    upgradeEnabled_ = true;
    progressPosition_ = 0;
    part1Count_ = 0;
    running_ = false;
    host_.pageFree();
    host_.notify();
    host_.report({Outcome::Kind::Done});
}

void UpgradeRun::fail(int part, const std::string& line) {
    host_.showTimeOut([this, part, line] { endUpgrade(part, line); });
    host_.notify();
}

void UpgradeRun::refuse(int part) {
    conversation_.stop();
    host_.showMessage({Outcome::Kind::Refused, part == 1 ? Text::Part1Refused : Text::Part2Refused},
                      MessageMs, [this, part] {
                          endUpgrade(part, part == 1 ? Part1WriteFailedLine : Part2WriteFailedLine);
                      });
    host_.notify();
}

void UpgradeRun::endUpgrade(int part, const std::string& line) {
    upgradeEnabled_ = true;
    if (part > 0 && !line.empty())
        host_.endPart(part, false, line.c_str());
    else
        host_.appendMessages(line);
    running_ = false;
    host_.pageFree();
    host_.notify();
}

// --- Sending ---

void UpgradeRun::send(CommandBytes command, bool bankSwitchMark) {
    if (bankSwitchMark && blockIndex_ == BankSwitchIndex) {
        command[7] = BankSwitchMark;
        command[8] = 0x01;
    }
    link_.send(command);
}

void UpgradeRun::startStep(Step step, const char* failLine) {
    failLine_ = failLine;
    conversation_.start(std::move(step));
}

} // namespace quorvane
