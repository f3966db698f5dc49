#pragma once
// The program under test beside quorvane-sim as a separate process, in real time on the Qt event
// loop. launch() starts the simulator in a private runtime folder (so the program finds the
// simulator's COM link there and no port of the machine) and creates the program; the test adds
// its pages, shows the main window and drives the widgets as a user would.
//
//     void start(const QString& address) {
//         ASSERT_NO_FATAL_FAILURE(launch({"--com", "1", "--tcp", address}));
//         app->show();
//     }

#include "SimProcess.h"

#include "gui/app/Application.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

class QWidget;

namespace quorvane {
class GeneralPageWidget;
}

namespace quorvane::test {

class SimAppFixture : public ::testing::Test {
protected:
    static constexpr int Patience = 5000; // ms; generous bound for real-time waits

    // Runs the event loop until `condition` holds, for at most Patience; false when it never did.
    template <typename Condition> static bool eventually(Condition condition) {
        return QTest::qWaitFor(condition, Patience);
    }

    // quorvane-sim started with `simArguments`, waited for, and the program created beside it.
    void launch(const QStringList& simArguments);
    void TearDown() override;

    static void click(QWidget* widget);
    GeneralPageWidget& general();
    // COM1 opened with the General page's "Connect" button once the port list offers it.
    void connectCom();
    // A TCP connection to `address` typed into the General page, waited for until it stands.
    void connectTcp(const QString& address);
    // The simulator's traffic log has shown `bytes` by now.
    bool simSaw(const QByteArray& bytes);
    // The text of the message box on screen; empty when none is.
    QString messageOnScreen();
    static QString accessibleName(QWidget* widget);

    QTemporaryDir runtime;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<Application> app;
    QByteArray seen;
};

} // namespace quorvane::test
