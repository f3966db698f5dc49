#include "platform/app/QtTimers.h"

#include <QTimerEvent>

namespace quorvane {

QtTimers::~QtTimers() {
    for (const auto& [qtId, id] : byQtId_)
        killTimer(qtId);
}

void QtTimers::start(int id, int periodMs) {
    stop(id);
    const int qtId = startTimer(periodMs, Qt::PreciseTimer);
    if (qtId == 0)
        return;
    byId_[id] = qtId;
    byQtId_[qtId] = id;
}

void QtTimers::stop(int id) {
    auto it = byId_.find(id);
    if (it == byId_.end())
        return;
    killTimer(it->second);
    byQtId_.erase(it->second);
    byId_.erase(it);
}

void QtTimers::timerEvent(QTimerEvent* event) {
    auto it = byQtId_.find(event->timerId());
    if (it != byQtId_.end())
        fire(it->second);
}

} // namespace quorvane
