#pragma once
// A session's world on virtual time, for running quorvane-cli's commands in process: the simulated
// matrix wired in over the virtual clock (COM1 and TCP at 127.0.0.1), and a simulated UDP network
// for the search. A wait moves time straight to the next thing due (a page's timer, a reply on its
// way), so a 5 s time-out takes no real time and ends at exactly 5 s of the clock.

#include "cli/SessionWorld.h"

#include "InProcessMatrix.h"
#include "SimulatedUdpNetwork.h"
#include "VirtualClock.h"
#include "sim/device/MatrixDevice.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>

namespace quorvane::test {

class VirtualWorld : public cli::SessionWorld {
public:
    // A wait without a limit that is still open after this much virtual time ends as if nothing
    // more could happen (a periodic timer would otherwise keep it going for ever).
    static constexpr std::int64_t LongestOpenWaitMs = 10 * 60 * 1000;

    VirtualWorld() {
        matrix.setSerialFailureHandler([this] {
            if (serialFailure_)
                serialFailure_();
        });
    }

    const Clock& clock() const override { return virtualClock; }
    std::unique_ptr<Timers> createTimers() override { return virtualClock.createTimers(); }
    SerialLink& serial() override { return *serial_; }
    void setSerialByteHandler(ByteHandler handler) override {
        serial_->setByteHandler(std::move(handler));
    }
    void setSerialFailureHandler(std::function<void()> handler) override {
        serialFailure_ = std::move(handler);
    }
    std::string openFailure(int n, int) override {
        return "COM" + std::to_string(n) + " could not be opened";
    }
    TcpLink& tcp() override { return matrix.tcp(); }
    UdpLink& udp() override { return network; }

    bool run(int limitMs) override {
        stopped_ = false;
        const std::int64_t start = virtualClock.nowMs();
        const std::int64_t end = start + (limitMs > 0 ? std::int64_t{limitMs} : LongestOpenWaitMs);
        while (!stopped_) {
            if (!virtualClock.runNextUntil(end)) {
                // Nothing more is due before the end: time passes to it.
                virtualClock.advance(end - virtualClock.nowMs());
                return limitMs > 0;
            }
        }
        return false;
    }
    void stop() override { stopped_ = true; }

    VirtualClock virtualClock;
    sim::MatrixDevice device;
    sim::InProcessMatrix matrix{device, virtualClock};
    sim::SimulatedUdpNetwork network{virtualClock};

private:
    std::unique_ptr<sim::InProcessSerial> serial_ = matrix.createSerial();
    std::function<void()> serialFailure_;
    bool stopped_ = false;
};

} // namespace quorvane::test
