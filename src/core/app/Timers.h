#pragma once
// Time seams. Production code runs on Qt timers and a monotonic clock; tests run the same logic on
// a virtual clock (VirtualClock) that fires due timers when the test advances time.

#include <cstdint>
#include <functional>

namespace quorvane {

// A monotonic millisecond clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() const = 0;
};

// A page's window timers, by id. Timers are periodic: a handler that wants one shot stops its own
// timer. Starting a running id re-arms it with the new period. Expiry calls the handler with the
// id.
class Timers {
public:
    using Handler = std::function<void(int id)>;

    virtual ~Timers() = default;
    virtual void start(int id, int periodMs) = 0;
    virtual void stop(int id) = 0;
    virtual bool isActive(int id) const = 0;

    void setHandler(Handler handler) { handler_ = std::move(handler); }
    // Stops every timer whose id lies in [first, last].
    void stopRange(int first, int last) {
        for (int id = first; id <= last; ++id)
            stop(id);
    }

protected:
    void fire(int id) {
        if (handler_)
            handler_(id);
    }

private:
    Handler handler_;
};

} // namespace quorvane
