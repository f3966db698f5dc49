#include "sim/app/DeadlineTimer.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace quorvane::sim {

namespace {

constexpr qint64 NanosecondsPerSecond = 1000000000LL;
// The timer is armed this much early; the rest is waited out on the clock, so the wake-up's own
// delay (the event loop, the socket notifier) does not make the deadline late.
constexpr qint64 EarlyWakeNs = 100000;

timespec toTimespec(qint64 ns) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(ns / NanosecondsPerSecond);
    t.tv_nsec = static_cast<long>(ns % NanosecondsPerSecond);
    return t;
}

} // namespace

DeadlineTimer::DeadlineTimer(QObject* parent) : QObject(parent) {
    // The kernel may let a sleeping thread's timers run late by its timer slack (50 us by
    // default) to wake it less often; a byte on the line is due at its instant, so this thread
    // asks for the least slack there is.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ < 0)
        qFatal("timerfd_create failed: %s", strerror(errno));
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &DeadlineTimer::expired);
}

DeadlineTimer::~DeadlineTimer() {
    delete notifier_;
    ::close(fd_);
}

qint64 DeadlineTimer::now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<qint64>(t.tv_sec) * NanosecondsPerSecond + t.tv_nsec;
}

void DeadlineTimer::startAt(qint64 deadlineNs) {
    itimerspec timing{};
    // A zero it_value disarms the timer, so an instant already past becomes the next nanosecond.
    deadlineNs_ = deadlineNs;
    const qint64 wake = deadlineNs - EarlyWakeNs;
    timing.it_value = toTimespec(wake > 0 ? wake : 1);
    timerfd_settime(fd_, TFD_TIMER_ABSTIME, &timing, nullptr);
}

void DeadlineTimer::stop() {
    const itimerspec disarmed{};
    timerfd_settime(fd_, 0, &disarmed, nullptr);
    // An expiry that was already counted must not fire after stop().
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(fd_, &count, sizeof count);
}

void DeadlineTimer::expired() {
    std::uint64_t count = 0;
    if (::read(fd_, &count, sizeof count) != static_cast<ssize_t>(sizeof count))
        return;
    while (now() < deadlineNs_) {
    }
    emit timeout();
}

} // namespace quorvane::sim
