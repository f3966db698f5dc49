#include "sim/device/FirmwareResponder.h"

#include "core/link/Commands.h"

#include <algorithm>

namespace quorvane::sim {

namespace {

constexpr std::size_t BankBytes = 65536;
constexpr std::size_t BlockData = 256;
constexpr std::size_t BankSwitchBlock = 240;
constexpr std::size_t BlocksPerBank = 256;

Response reply(std::initializer_list<std::uint8_t> bytes) {
    return Response{{buildFrame(command(bytes))}, 0};
}

} // namespace

bool FirmwareResponder::silent() const {
    if (!rebooting_)
        return false;
    if (faults_ && faults_->neverFinishReboot)
        return true;
    return now() < rebootUntil_;
}

void FirmwareResponder::beginPart(int part) {
    part_ = part;
    bank_ = 0;
    lastWritten_ = false;
    faulted_ = false;
    erased_ = false;
    prepared_ = false;
    blockExpected_ = false;
    rebooting_ = false;
    rebootDone_ = false;
    image().clear();
}

void FirmwareResponder::reboot() {
    rebooting_ = true;
    rebootDone_ = true;
    rebootUntil_ = now() + (now_ ? state_.rebootMs : 0);
    part_ = 0;
}

Response FirmwareResponder::respond(const Frame& frame) {
    rebootDone_ = false;
    const std::uint8_t p = frame[3];
    const std::uint8_t c = frame[4];
    // Part starts: 20 01 01 (main), 20 02 01 (slave 1), 20 02 03 (IR); 20 04 01 (panel) is not
    // answered.
    int starting = 0;
    if (c == 0x01 && (p == 0x01 || p == 0x02))
        starting = p;
    else if (p == 0x02 && c == 0x03)
        starting = 3;
    if (starting != 0) {
        if (faults_ && faults_->refuseFirmwarePart == starting)
            return reply({cmd::GroupFirmware, static_cast<std::uint8_t>(starting), 0x44});
        beginPart(starting);
        if (starting == 3)
            return reply({cmd::GroupFirmware, 0x02, 0xFE});
        return reply({cmd::GroupFirmware, p, 0xAA});
    }
    if (p == 0x01 && (c == 0x80 || c == 0x10)) {
        if (part_ != 1)
            return {};
        if (c == 0x80) {
            image().clear(); // erase
            bank_ = 0;
            lastWritten_ = false;
            erased_ = true;
            prepared_ = false;
        } else if (!erased_) {
            return {}; // nothing to prepare before the erase
        } else {
            prepared_ = true;
        }
        return reply({cmd::GroupFirmware, 0x01, 0x00});
    }
    // Block header 20 N AA 00 00 01 01 m i 00 and end header 20 N 56 00 FE 00 01 40 i 00.
    const bool header = c == 0xAA && frame[7] == 0x01 && frame[8] == 0x01;
    const bool end = c == 0x56 && frame[6] == 0xFE && frame[8] == 0x01;
    if ((header || end) && p == part_ && part_ != 0) {
        blockExpected_ = true;
        endExpected_ = end;
        header_ = frame;
        // The main processor writes only once erased and prepared; a block before that is taken
        // in (it follows its header on the line) but neither written nor acknowledged.
        discardBlock_ = part_ == 1 && !prepared_;
        return Response{{}, cmd::FirmwareBlockSize};
    }
    return {};
}

Response FirmwareResponder::takeBlock(const std::vector<std::uint8_t>& block) {
    blockExpected_ = false;
    unsigned sum = 0;
    for (std::uint8_t b : block)
        sum += b;
    if (block.size() != cmd::FirmwareBlockSize || (sum & 0xFFu) != 0 || part_ == 0 || discardBlock_)
        return {}; // a damaged block is not acknowledged: the program sends it again
    ++blocksReceived_;

    // The block goes where its header says: the index in byte 10, or block 240 when the header
    // carries B0 01 there instead (for the main processor, the bank switch). The bank moves on
    // when, after the bank-switch block (main processor) or block 255 (the others), a block of
    // another index comes: a block sent again keeps the bank it was written to.
    const bool marked = !endExpected_ && header_[9] == 0xB0 && header_[10] == 0x01;
    const bool bankSwitch = part_ == 1 && marked;
    const std::size_t index = marked ? BankSwitchBlock : header_[10];
    if (lastWritten_ && index != lastIndex_ &&
        (part_ == 1 ? lastSwitched_ : lastIndex_ == BlocksPerBank - 1))
        ++bank_;
    const std::size_t number = static_cast<std::size_t>(bank_) * BlocksPerBank + index;
    const std::size_t offset =
        (part_ == 1 ? static_cast<std::size_t>(bank_) * BankBytes + index * BlockData
                    : number * BlockData);
    std::vector<std::uint8_t>& flash = image();
    if (flash.size() < offset + BlockData)
        flash.resize(offset + BlockData, 0xFF);
    std::copy(block.begin() + 1, block.end(), flash.begin() + static_cast<std::ptrdiff_t>(offset));
    lastWritten_ = true;
    lastIndex_ = index;
    lastSwitched_ = bankSwitch;

    const bool dropped = faults_ && faults_->dropBlockAck > 0 &&
                         (blocksReceived_ == faults_->dropBlockAck ||
                          (faults_->dropBlockAckAlways && blocksReceived_ > faults_->dropBlockAck));
    const auto part = static_cast<std::uint8_t>(part_);
    if (endExpected_) {
        reboot();
        if (dropped || part == 3)
            return {}; // the IR processor has no end acknowledgement
        return reply({cmd::GroupFirmware, part, 0x00, 0x00, 0xFE, 0x00, 0x01});
    }
    if (dropped)
        return {};
    std::uint8_t mark = bankSwitch ? 0xB0 : cmd::FirmwareMark;
    auto k = static_cast<std::uint8_t>(index);
    Response out;
    // A block fault goes with the first acknowledgement of its block only.
    const Faults::BlockAck* fault = faults_ && faults_->blockAck.part == part_ &&
                                            faults_->blockAck.block == static_cast<int>(number) &&
                                            !faulted_
                                        ? &faults_->blockAck
                                        : nullptr;
    if (fault) {
        faulted_ = true;
        if (fault->otherIndex >= 0)
            k = static_cast<std::uint8_t>(fault->otherIndex);
        if (fault->mark >= 0)
            mark = static_cast<std::uint8_t>(fault->mark);
    }
    const Frame ack =
        buildFrame(command({cmd::GroupFirmware, part, 0x00, 0x00, 0x00, 0x01, 0x01, mark, k}));
    out.replies.push_back(ack);
    if (fault && fault->repeatAfterMs >= 0)
        out.late.push_back({ack, fault->repeatAfterMs});
    return out;
}

} // namespace quorvane::sim
