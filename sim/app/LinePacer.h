#pragma once
// The far end of a paced serial line: bytes written into the pseudo-terminal arrive at once, but
// on a real line each takes its line time (115200 baud, 11 bits a byte). The pacer hands received
// bytes on in order, each when the line would have delivered its last bit: the line's schedule is
// kept in absolute instants, so no wake-up delay adds up from one byte to the next.

#include "sim/app/DeadlineTimer.h"

#include <QByteArray>
#include <QObject>

namespace quorvane::sim {

// 11 bits a byte (start, 8 data, 2 stop) at 115200 baud: about 95.5 us.
inline constexpr qint64 LineNanosecondsPerByte = 11LL * 1000000000LL / 115200LL;

class LinePacer : public QObject {
    Q_OBJECT
public:
    explicit LinePacer(QObject* parent = nullptr);

    void push(const QByteArray& bytes);

signals:
    void released(const QByteArray& bytes);

private:
    void pump();

    QByteArray queue_;
    DeadlineTimer timer_;
    // When the byte at the head of the queue has fully arrived, on DeadlineTimer's clock.
    qint64 headDoneNs_ = 0;
};

} // namespace quorvane::sim
