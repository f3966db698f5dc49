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

#include "sim/device/DeviceState.h"
#include "sim/device/EdidResponder.h"
#include "sim/device/Faults.h"
#include "sim/device/Response.h"

#include "core/link/Frame.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace quorvane::sim {

class FirmwareResponder;

class CommandResponder {
public:
    // `faults` holds the device-side switches of the EDID functions; the caller keeps it alive.
    CommandResponder(DeviceState& state, const Faults& faults);
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
    Response switchSet(const Frame& frame, bool& setting);

    DeviceState& state_;
    EdidResponder edid_;
    std::unique_ptr<FirmwareResponder> firmware_;
};

} // namespace quorvane::sim
