#pragma once
// What every page's sweep rig has on top of its in-process fixture: the matrix's answers
// recorded as they are taken, the link the run uses (COM1 or TCP), where the current run's
// messages and answers begin, and virtual time. A page's rig adds the page, its rest state and
// what it shows.

#include "FaultSweep.h"

#include <cstddef>
#include <cstdint>

namespace quorvane::test::sweep {

template <class Fixture> class SweepRig : public Fixture {
public:
    explicit SweepRig(bool tcp) : tcp_(tcp) {
        recordTaken(
            this->device, [this] { return this->clock.nowMs(); }, log_);
    }

    sim::Faults& faults() { return this->device.faults(); }
    sim::DeviceState& matrixState() { return this->device.state(); }
    const TakenLog& taken() const { return log_; }
    // A run starts: its messages and the matrix's answers are counted from here.
    void begin() {
        firstMessage_ = this->view.messages.size();
        begunAt_ = log_.size();
    }
    std::size_t begunAt() const { return begunAt_; }
    std::int64_t nowMs() const { return this->clock.nowMs(); }
    void advance(std::int64_t ms) { this->clock.advance(ms); }
    std::size_t framesToMatrix() { return Fixture::framesToMatrix().size(); }

protected:
    bool tcp_;
    // The first message of the current run in the view's list.
    std::size_t firstMessage_ = 0;

private:
    TakenLog log_;
    std::size_t begunAt_ = 0;
};

} // namespace quorvane::test::sweep
