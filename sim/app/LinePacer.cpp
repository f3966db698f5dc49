#include "LinePacer.h"

#include <algorithm>

namespace quorvane::sim {

namespace {

// 11 bits a byte (start, 8 data, 2 stop) at 115200 baud.
constexpr qint64 NanosecondsPerByte = 11LL * 1000000000LL / 115200LL;

} // namespace

LinePacer::LinePacer(QObject* parent) : QObject(parent) {
    clock_.start();
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LinePacer::pump);
}

void LinePacer::push(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    if (queue_.isEmpty()) {
        // The line was idle: the first byte starts now.
        headDoneNs_ = clock_.nsecsElapsed() + NanosecondsPerByte;
    }
    queue_.append(bytes);
    pump();
}

void LinePacer::pump() {
    const qint64 now = clock_.nsecsElapsed();
    qsizetype ready = 0;
    qint64 done = headDoneNs_;
    while (ready < queue_.size() && done <= now) {
        ++ready;
        done += NanosecondsPerByte;
    }
    if (ready > 0) {
        const QByteArray out = queue_.left(ready);
        queue_.remove(0, ready);
        headDoneNs_ = done;
        emit released(out);
    }
    if (!queue_.isEmpty()) {
        const qint64 waitNs = std::max<qint64>(headDoneNs_ - clock_.nsecsElapsed(), 0);
        timer_.start(static_cast<int>(waitNs / 1000000));
    }
}

} // namespace quorvane::sim
