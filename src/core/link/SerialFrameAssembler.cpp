#include "core/link/SerialFrameAssembler.h"

namespace quorvane {

void SerialFrameAssembler::reset() {
    fill_ = 0;
    buffer_ = {};
}

std::optional<ReceivedFrame> SerialFrameAssembler::feed(std::uint8_t byte, std::int64_t nowMs) {
    if (fill_ > 0 && nowMs - lastByteMs_ >= QuietGapMs)
        reset();
    lastByteMs_ = nowMs;

    lastCollected_ = byte == FrameStart1 || fill_ > 0;
    if (!lastCollected_)
        return std::nullopt;

    buffer_[fill_++] = byte;
    if (fill_ == 2 && buffer_[1] != FrameStart2) {
        // Not a frame start after all; the second byte may itself begin the real frame.
        const bool restart = buffer_[1] == FrameStart1;
        reset();
        if (restart)
            buffer_[fill_++] = FrameStart1;
        return std::nullopt;
    }
    if (fill_ < FrameSize)
        return std::nullopt;

    ReceivedFrame frame{buffer_, isIntact(buffer_)};
    reset();
    return frame;
}

} // namespace quorvane
