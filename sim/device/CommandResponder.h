#pragma once
// The matrix's command set: turns one received frame into the state change and the answer frames
// it causes. Bulk data that follows an announcing frame (the EDID data block) is asked for through
// Response::rawBlockSize and handed back whole through takeRawBlock().
//
// Answers: bytes the answer does not define are 00. A frame whose checksum is wrong, a command the
// matrix does not know and a command with an argument out of range get no answer and change
// nothing, as on a real matrix, which ignores what it cannot read. The firmware upgrade commands
// (group 20) and their 257-byte blocks go to the FirmwareResponder through the same raw-block path
// as the EDID data block.

#include "DeviceState.h"
#include "Faults.h"

#include "link/Frame.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace quorvane::sim {

struct Response {
    std::vector<Frame> replies;
    // When not 0: the next rawBlockSize bytes on this link are a raw block, not frames.
    std::size_t rawBlockSize = 0;
};

class FirmwareResponder;

class CommandResponder {
public:
    explicit CommandResponder(DeviceState& state);
    ~CommandResponder();
    CommandResponder(const CommandResponder&) = delete;
    CommandResponder& operator=(const CommandResponder&) = delete;

    FirmwareResponder& firmware() { return *firmware_; }

    Response respond(const Frame& frame);
    // The raw block announced by the last response, complete.
    Response takeRawBlock(const std::vector<std::uint8_t>& block);

private:
    Response query(const Frame& frame);
    Response routing(const Frame& frame);
    Response edid(const Frame& frame);
    Response edidDownload(const Frame& frame);
    Response switchSet(const Frame& frame, bool& setting);

    DeviceState& state_;
    std::unique_ptr<FirmwareResponder> firmware_;
    // Inputs (1..8) that the EDID download in progress goes to: one, all eight (0), none (-1).
    int downloadTarget_ = -1;
    std::uint8_t downloadCommand_ = 0;
};

} // namespace quorvane::sim
