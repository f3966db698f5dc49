#pragma once
// Window timers of a page on Qt's event loop, and the monotonic clock.

#include "core/app/Timers.h"

#include <QElapsedTimer>
#include <QObject>

#include <map>

namespace quorvane {

class QtTimers : public QObject, public Timers {
    Q_OBJECT
public:
    explicit QtTimers(QObject* parent = nullptr) : QObject(parent) {}
    ~QtTimers() override;

    void start(int id, int periodMs) override;
    void stop(int id) override;
    bool isActive(int id) const override { return byId_.count(id) != 0; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    std::map<int, int> byId_;   // page timer id -> Qt timer id
    std::map<int, int> byQtId_; // Qt timer id -> page timer id
};

class QtClock : public Clock {
public:
    QtClock() { timer_.start(); }
    std::int64_t nowMs() const override { return timer_.elapsed(); }

private:
    QElapsedTimer timer_;
};

} // namespace quorvane
