#pragma once
// Cuts a TCP byte stream into frames: every complete frame of a read is handed on, in order, cut at
// A5 5B (bytes before a frame start are dropped, so a stray byte cannot misalign later frames), and
// an incomplete tail waits for the next read. The tail is cleared when a new connection starts.

#include "core/link/Frame.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvane {

class TcpFrameAssembler {
public:
    // Largest number of bytes taken from the socket in one read.
    static constexpr std::size_t ReadSize = 1024;

    // Appends `size` bytes and returns every frame they complete, in stream order.
    std::vector<Frame> feed(const std::uint8_t* data, std::size_t size);
    void clear() { pending_.clear(); }
    std::size_t pendingCount() const { return pending_.size(); }

private:
    std::vector<std::uint8_t> pending_;
};

} // namespace quorvane
