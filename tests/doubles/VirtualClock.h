#pragma once
// Virtual time for tests: a clock plus any number of timer sets (one per page). advance(ms) fires
// every timer that falls due, in time order; timers due at the same moment fire in the order they
// were armed. Other work scheduled on the clock (a simulated reply arriving later) runs in the same
// order as timers.

#include "core/app/Timers.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

namespace quorvane {

class VirtualClock : public Clock {
public:
    VirtualClock();
    ~VirtualClock() override;
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    std::int64_t nowMs() const override { return now_; }

    // A new timer set driven by this clock. The clock must outlive it.
    std::unique_ptr<Timers> createTimers();

    // Runs `task` once, `delayMs` from now.
    void schedule(std::int64_t delayMs, std::function<void()> task);

    // Moves time forward by `ms`, firing everything that falls due on the way.
    void advance(std::int64_t ms);
    // Runs everything due now (delay 0) without moving time.
    void runDue() { advance(0); }
    // Runs the one next thing (timer or task) due at or before the time `atMs`, moving time to
    // when it is due; false, with time unmoved, when nothing is.
    bool runNextUntil(std::int64_t atMs) { return runNext(atMs); }

private:
    class VirtualTimers;
    struct Entry {
        std::int64_t due;
        std::uint64_t order;
    };
    bool runNext(std::int64_t limit);

    std::int64_t now_ = 0;
    std::uint64_t nextOrder_ = 0;
    std::vector<VirtualTimers*> timerSets_;
    std::multimap<std::tuple<std::int64_t, std::uint64_t>, std::function<void()>> tasks_;
};

} // namespace quorvane
