#include "core/link/TcpFrameAssembler.h"

#include <algorithm>

namespace quorvane {

std::vector<Frame> TcpFrameAssembler::feed(const std::uint8_t* data, std::size_t size) {
    pending_.insert(pending_.end(), data, data + size);
    std::vector<Frame> frames;
    std::size_t pos = 0;
    while (true) {
        // Find the next A5 5B at or after pos.
        std::size_t start = pos;
        while (start + 1 < pending_.size() &&
               !(pending_[start] == FrameStart1 && pending_[start + 1] == FrameStart2))
            ++start;
        if (start + 1 >= pending_.size()) {
            // No complete start marker: keep a trailing A5 that may begin the next frame.
            const bool keepLast = !pending_.empty() && start < pending_.size() &&
                                  pending_[pending_.size() - 1] == FrameStart1;
            pos = keepLast ? pending_.size() - 1 : pending_.size();
            break;
        }
        if (pending_.size() - start < FrameSize) {
            pos = start;
            break;
        }
        Frame frame{};
        std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(start), FrameSize,
                    frame.begin());
        frames.push_back(frame);
        pos = start + FrameSize;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pos));
    return frames;
}

} // namespace quorvane
