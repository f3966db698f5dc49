#pragma once
// A one-shot timer for an absolute instant on the monotonic clock, to the microsecond: a timerfd
// watched by a socket notifier on the event thread. The simulated serial line releases each byte
// when the line would have delivered it; Qt's timers count whole milliseconds, which would make a
// 13-byte frame up to a millisecond late.

#include <QObject>

class QSocketNotifier;

namespace quorvane::sim {

class DeadlineTimer : public QObject {
    Q_OBJECT
public:
    explicit DeadlineTimer(QObject* parent = nullptr);
    ~DeadlineTimer() override;

    // Nanoseconds on the monotonic clock (the clock startAt() takes).
    static qint64 now();

    // Fires timeout() once, at `deadlineNs` or at once if that has passed. Re-arms a running timer.
    void startAt(qint64 deadlineNs);
    void stop();

signals:
    void timeout();

private:
    void expired();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace quorvane::sim
