#pragma once
// What the matrix does in answer to one received frame or raw block.

#include "link/Frame.h"

#include <cstddef>
#include <vector>

namespace quorvane::sim {

struct Response {
    std::vector<Frame> replies;
    // When not 0: the next rawBlockSize bytes on this link are a raw block, not frames.
    std::size_t rawBlockSize = 0;
};

} // namespace quorvane::sim
