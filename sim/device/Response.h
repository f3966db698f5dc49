#pragma once
// What the matrix does in answer to one received frame or raw block.

#include "core/link/Frame.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace quorvane::sim {

struct Response {
    std::vector<Frame> replies;
    // When not 0: the next rawBlockSize bytes on this link are a raw block, not frames.
    std::size_t rawBlockSize = 0;
    // Replies sent later than the others, after their own delay in milliseconds (a fault's
    // repeated answer); they count as no reply of the fault switches.
    struct Late {
        Frame frame;
        int delayMs;
    };
    std::vector<Late> late = {};
};

// The matrix's answer frame from its bytes 2..; the rest are 00.
inline Response answer(std::initializer_list<std::uint8_t> bytes) {
    return Response{{buildFrame(command(bytes))}, 0};
}

} // namespace quorvane::sim
