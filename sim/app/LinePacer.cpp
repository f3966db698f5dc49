#include "sim/app/LinePacer.h"

namespace quorvane::sim {

LinePacer::LinePacer(QObject* parent) : QObject(parent) {
    connect(&timer_, &DeadlineTimer::timeout, this, &LinePacer::pump);
}

void LinePacer::push(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    if (queue_.isEmpty()) {
        // The line was idle: the first byte starts now.
        headDoneNs_ = DeadlineTimer::now() + LineNanosecondsPerByte;
    }
    queue_.append(bytes);
    pump();
}

void LinePacer::pump() {
    const qint64 now = DeadlineTimer::now();
    qsizetype ready = 0;
    qint64 done = headDoneNs_;
    while (ready < queue_.size() && done <= now) {
        ++ready;
        done += LineNanosecondsPerByte;
    }
    if (ready > 0) {
        const QByteArray out = queue_.left(ready);
        queue_.remove(0, ready);
        headDoneNs_ = done;
        emit released(out);
    }
    if (!queue_.isEmpty())
        timer_.startAt(headDoneNs_);
}

} // namespace quorvane::sim
