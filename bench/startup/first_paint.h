#pragma once
// Shared by the two probe programs: when the watched window has painted for the first time, print
// the monotonic clock in nanoseconds on stdout and quit shortly after, so that the parent can read
// the start-up time and the peak memory of a program that has fully come up.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <cstdio>
#include <ctime>

class FirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // After this paint has finished, not before.
            QTimer::singleShot(0, this, [] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("%lld\n",
                            static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                std::fflush(stdout);
                QTimer::singleShot(300, qApp, &QCoreApplication::quit);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};
