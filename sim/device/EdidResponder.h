#pragma once
// The matrix's EDID functions (command group 03): the handshake, built-in and default EDIDs on
// one or all inputs, copies of an output's EDID, and the download of an EDID with its 290-byte
// data block. The EDID in use on each input is kept in DeviceState::inputEdid as the index the
// name query 01 0C reports: the built-in EDID's value less one, 15..22 for a copy of output A..H,
// 0x17 ("User define") after a download.
//
// Device-side switches (Faults): a download that fails or whose block is never answered, and the
// EDID switch check 03 0B that the matrix sends instead of a handshake reply (0F when its EDID
// switch is not at [1111], 00 to let the program carry on).

#include "sim/device/DeviceState.h"
#include "sim/device/Faults.h"
#include "sim/device/Response.h"

#include "core/link/Frame.h"

#include <cstdint>
#include <vector>

namespace quorvane::sim {

class EdidResponder {
public:
    EdidResponder(DeviceState& state, const Faults& faults) : state_(state), faults_(faults) {}

    // A frame of group 03 (checksum and start already checked).
    Response respond(const Frame& frame);
    // The data block that the last download announcement asked for, complete.
    Response takeRawBlock(const std::vector<std::uint8_t>& block);

private:
    Response handshake();
    Response download(const Frame& frame);

    DeviceState& state_;
    const Faults& faults_;
    int handshakes_ = 0;
    // Inputs (1..8) that the download in progress goes to: one, all eight (0), none (-1).
    int downloadTarget_ = -1;
    std::uint8_t downloadCommand_ = 0;
};

} // namespace quorvane::sim
