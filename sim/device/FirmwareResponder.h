#pragma once
// The matrix's side of a firmware upgrade (group 20 and the raw 257-byte blocks that follow a
// block header): part starts, part 1's erase and prepare, block acknowledgements after checking
// each block's check byte, the main processor's bank switch at block 240, the end acknowledgement
// and the reboot, during which the matrix answers nothing. After the reboot the device type query
// is answered with the reboot report (01 01 01 00) until the next upgrade command. The main
// processor writes blocks only once erased and then prepared.
//
// The received image of each part is kept in DeviceState::firmwareImages as the matrix's flash
// holds it: erased bytes are FF, each block is written where its header puts it (bank b of the
// main processor at b x 65536, block i of a bank at i x 256; the other parts' banks follow each
// other), the last block with its fill bytes. A block whose check byte is wrong is neither
// written nor acknowledged. Tests compare this flash with the image byte for byte.
//
// Time comes from the clock the owner sets (milliseconds, any monotonic origin); without one a
// reboot ends at once.

#include "sim/device/CommandResponder.h"
#include "sim/device/DeviceState.h"
#include "sim/device/Faults.h"

#include "core/link/Frame.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorvane::sim {

class FirmwareResponder {
public:
    explicit FirmwareResponder(DeviceState& state) : state_(state) {}

    void setClock(std::function<std::int64_t()> now) { now_ = std::move(now); }
    void setFaults(const Faults* faults) { faults_ = faults; }

    // A group 20 frame.
    Response respond(const Frame& frame);
    // True while the raw block announced by the last block header is expected.
    bool expectsBlock() const { return blockExpected_; }
    Response takeBlock(const std::vector<std::uint8_t>& block);

    // Rebooting: the matrix answers nothing.
    bool silent() const;
    // The reboot is over and the device type query gets the reboot report.
    bool reportsReboot() const { return rebootDone_ && !silent(); }
    // Any other command than the device type query ends the reboot report.
    void otherCommand() { rebootDone_ = false; }

    int blocksReceived() const { return blocksReceived_; }

private:
    std::int64_t now() const { return now_ ? now_() : 0; }
    void beginPart(int part);
    void reboot();
    std::vector<std::uint8_t>& image() {
        return state_.firmwareImages.at(static_cast<std::size_t>(part_ - 1));
    }

    DeviceState& state_;
    const Faults* faults_ = nullptr;
    std::function<std::int64_t()> now_;

    int part_ = 0;              // 1..3 while a part is being received
    int bank_ = 0;              // the bank being written (256 blocks each)
    bool lastWritten_ = false;  // a block was written since the part started
    bool lastSwitched_ = false; // the block written last switched banks
    std::size_t lastIndex_ = 0; // the index (in its bank) of the block written last
    bool faulted_ = false;      // the block acknowledgement fault has been applied
    bool erased_ = false;       // main processor: erased since its part started
    bool prepared_ = false;     // main processor: prepared since its erase
    bool discardBlock_ = false; // the block announced is taken in but not written
    bool blockExpected_ = false;
    bool endExpected_ = false;
    Frame header_{};
    int blocksReceived_ = 0;

    bool rebooting_ = false;
    std::int64_t rebootUntil_ = 0;
    bool rebootDone_ = false;
};

} // namespace quorvane::sim
