#pragma once
// The simulated matrix: bytes in, replies out. One object per simulated matrix; it has a serial
// link and a TCP link, each with its own reassembly of received bytes into frames. Not thread-safe:
// call it from one thread. No I/O and no clock: the caller writes the emissions and keeps time.

#include "sim/device/CommandResponder.h"
#include "sim/device/DeviceState.h"
#include "sim/device/Emission.h"
#include "sim/device/FaultInjector.h"
#include "sim/device/Faults.h"

#include "core/link/Frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace quorvane::sim {

class MatrixDevice {
public:
    // Called for every frame and every raw block the device takes in, before it answers.
    using ReceiveObserver =
        std::function<void(LinkKind link, const std::uint8_t* data, std::size_t size)>;

    MatrixDevice();
    MatrixDevice(const MatrixDevice&) = delete;
    MatrixDevice& operator=(const MatrixDevice&) = delete;

    // Bytes received on `link`, in any pieces. Frames are cut at A5 5B (bytes before a frame start
    // are skipped); an incomplete frame waits for the next call. Returns what the device does, in
    // order.
    std::vector<Emission> receive(LinkKind link, const std::uint8_t* data, std::size_t size);
    std::vector<Emission> receive(LinkKind link, const Frame& frame) {
        return receive(link, frame.data(), frame.size());
    }
    // Forgets a partial frame or raw block on `link` (a new TCP connection, a port opened afresh).
    void resetLink(LinkKind link);
    // Forgets only a partial frame on `link` (its sender went quiet half-way); an announced raw
    // block is still expected, since it follows its announcing frame after a pause.
    void forgetPartialFrame(LinkKind link);

    // The unsolicited standby report, subject to no fault.
    std::vector<Emission> standbyReport() const;

    // The device's clock in milliseconds (a reboot's silence is timed by it); without one a
    // reboot ends at once.
    void setClock(std::function<std::int64_t()> now);

    DeviceState& state() { return state_; }
    const DeviceState& state() const { return state_; }
    Faults& faults() { return injector_.faults(); }
    int replyCount() const { return injector_.replyCount(); }
    // Every frame taken in, intact or not, in order of arrival.
    const std::vector<Frame>& framesSeen() const { return framesSeen_; }
    void clearFramesSeen() { framesSeen_.clear(); }
    void setReceiveObserver(ReceiveObserver observer) { observer_ = std::move(observer); }

private:
    struct LinkInput {
        std::vector<std::uint8_t> frame;
        std::size_t rawExpected = 0;
        std::vector<std::uint8_t> raw;
    };
    void handle(LinkKind link, LinkInput& input, const Response& response,
                std::vector<Emission>& out);

    DeviceState state_;
    FaultInjector injector_;
    CommandResponder responder_{state_, injector_.faults()};
    std::array<LinkInput, 2> inputs_;
    std::vector<Frame> framesSeen_;
    ReceiveObserver observer_;
};

} // namespace quorvane::sim
