#pragma once
// Reassembles frames from serial bytes that arrive one at a time.
//
// Collection starts at a byte A5 and ends after thirteen bytes; the frame goes to the page with its
// intact flag (a bad checksum does not stop it). A collection whose second byte is not 5B is given
// up and resumes from that byte when it is itself an A5, so one stray byte costs no more than the
// frame it hit. A partial frame is discarded when the line has been quiet for QuietGapMs before
// the next byte, so a frame cut short by a lost byte does not swallow the start of the next one.

#include "core/link/Frame.h"

#include <cstdint>
#include <optional>

namespace quorvane {

struct ReceivedFrame {
    Frame bytes{};
    bool intact = false;
};

class SerialFrameAssembler {
public:
    static constexpr std::int64_t QuietGapMs = 100;

    // Takes one byte received at `nowMs` (any monotonic millisecond clock). Returns a frame when
    // this byte completed one that starts A5 5B.
    std::optional<ReceivedFrame> feed(std::uint8_t byte, std::int64_t nowMs);

    // True when this byte was stored in the frame being collected (the traffic logs of some pages
    // count only such bytes towards their line breaks).
    bool lastByteCollected() const { return lastCollected_; }
    bool collecting() const { return fill_ > 0; }
    void reset();

private:
    Frame buffer_{};
    std::size_t fill_ = 0;
    std::int64_t lastByteMs_ = 0;
    bool lastCollected_ = false;
};

} // namespace quorvane
