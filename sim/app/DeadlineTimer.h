#pragma once
// A one-shot timer for an absolute instant on the monotonic clock, to the microsecond: a timerfd
// watched by a socket notifier on the event thread. The simulated serial line releases each byte
// when the line would have delivered it; Qt's timers count whole milliseconds, which would make a
// 13-byte frame up to a millisecond late. The timerfd is armed 100 us early and the rest is waited
// out on the clock, so the wake-up's own delay does not make a byte late either (the cost: a busy
// wait of up to 100 us a byte while the paced line carries data; an idle line costs nothing).

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
    qint64 deadlineNs_ = 0;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace quorvane::sim
