#pragma once
// Time seams. Production code runs on Qt timers and a monotonic clock; tests run the same logic on
// a virtual clock (VirtualClock) that fires due timers when the test advances time.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>

namespace quorvane {

// A monotonic millisecond clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() const = 0;
};

// A page's window timers, by id. Timers are periodic: a handler that wants one shot stops its own
// timer. Starting a running id re-arms it with the new period. Expiry calls the handler with the
// id. The set is divided among its owners through TimerScope, which records here which ids are
// taken.
class Timers {
public:
    using Handler = std::function<void(int id)>;

    virtual ~Timers() = default;
    virtual void start(int id, int periodMs) = 0;
    virtual void stop(int id) = 0;
    virtual bool isActive(int id) const = 0;

    void setHandler(Handler handler) { handler_ = std::move(handler); }

protected:
    void fire(int id) {
        if (handler_)
            handler_(id);
    }

private:
    friend class TimerScope;
    Handler handler_;
    // The ids owners have taken from this set; shared so that an owner outliving the set can
    // still give its ids back.
    std::shared_ptr<std::set<int>> claimed_ = std::make_shared<std::set<int>>();
};

} // namespace quorvane
