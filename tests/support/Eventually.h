#pragma once
// Bounded waits for GoogleTest tests that run a Qt event loop. Qt Test's QTRY_* and QVERIFY
// macros report to Qt Test's own runner and merely return under GoogleTest, so a test using them
// could never fail; these report their failure to GoogleTest.

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

// Runs the event loop until `condition` holds, for at most `ms` milliseconds; fails the test
// (and returns from it) when it never does.
#define WAIT_FOR(condition, ms)                                                                    \
    ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(condition); }, ms))                 \
        << "never became true within " << (ms) << " ms: " #condition

// Runs the event loop until `actual == expected`, for at most `ms` milliseconds, then checks it
// so that a failure shows both values.
#define WAIT_FOR_EQ(actual, expected, ms)                                                          \
    do {                                                                                           \
        static_cast<void>(QTest::qWaitFor([&] { return (actual) == (expected); }, ms));            \
        ASSERT_EQ(actual, expected) << "after waiting " << (ms) << " ms";                          \
    } while (false)

// Runs the event loop until it has nothing left to handle: every event already posted and every
// socket already readable or closed has been dealt with (two rounds in a row find nothing). For
// checking that something did NOT happen after a cause whose effects are already on their way, such
// as a write or a close on loopback, without waiting for a length of time.
inline void settleEvents() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    int idleRounds = 0;
    for (int round = 0; round < 10000 && idleRounds < 2; ++round) {
        QCoreApplication::sendPostedEvents();
        idleRounds = dispatcher->processEvents(QEventLoop::AllEvents) ? 0 : idleRounds + 1;
    }
}
