// The General page's connection controls against quorvane-sim as a separate process: the serial
// link over its pseudo-terminal (registered as COM1 in a private ports folder) and TCP on its own
// loopback address. The program's widgets are clicked as a user would.
#include "ForeignHolder.h"
#include "SimAppFixture.h"

#include "core/device/GeneralConnection.h"
#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/device/GeneralPageWidget.h"
#include "gui/device/LinkIndicator.h"
#include "platform/link/SerialPort.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "Eventually.h"

#include <gtest/gtest.h>

#include <memory>

using namespace quorvane;
using quorvane::test::SimAppFixture;

namespace {

const QByteArray BeepQueryOnTheLine = "A5 5B 01 0B 00 00 00 00 00 00 00 00 F4";

class GeneralPageSimTest : public SimAppFixture {
protected:
    // Starts the simulator with `faults` on COM1 and `address`, then the program beside it.
    void start(const QString& address, const QStringList& faults = {}) {
        ASSERT_NO_FATAL_FAILURE(launch(QStringList{"--com", "1", "--tcp", address} + faults));
        app->show();
    }
    GeneralPageWidget& page() { return general(); }
    LinkState& state() { return app->state(); }
    void connectTcpTo(const QString& text) {
        click(page().tcpModeButton());
        QTest::keyClicks(page().ipBox()->lineEdit(), text);
        click(page().tcpConnectButton());
    }
};

} // namespace

TEST_F(GeneralPageSimTest, ComConnectAndDisconnectOverThePseudoTerminal) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.5.1")));
    WAIT_FOR_EQ(page().portList()->currentText(), QStringLiteral("COM1"), Patience);
    // What the port is: in the list's tool tip and in the readable line under the list, while
    // the label still names the list.
    EXPECT_EQ(page().portList()->toolTip(), "pseudo-terminal");
    EXPECT_EQ(page().portList()->itemData(0, Qt::ToolTipRole).toString(), "pseudo-terminal");
    EXPECT_EQ(page().portDescription()->text(), "COM1: pseudo-terminal");
    EXPECT_EQ(page().portDescription()->accessibleName(), "COM1: pseudo-terminal");
    const QLabel* portLabel = nullptr;
    for (const QLabel* label : page().findChildren<QLabel*>())
        if (label->text() == "Port")
            portLabel = label;
    ASSERT_NE(portLabel, nullptr);
    EXPECT_EQ(portLabel->buddy(), page().portList());
    click(page().comConnectButton());
    EXPECT_EQ(page().comConnectButton()->text(), "Disconnect");
    EXPECT_TRUE(page().comIndicator()->isUp());
    EXPECT_TRUE(state().comLinkOpen);
    EXPECT_EQ(state().comPortNumber, 1);
    EXPECT_FALSE(page().portList()->isEnabled());
    WAIT_FOR(simSaw("RX serial " + BeepQueryOnTheLine), Patience);
    // The answer came back through the pseudo-terminal into the page's receive log.
    WAIT_FOR(page().link().receiveLog().text().rfind("A5 5B 01 0B ", 0) == 0, Patience);

    click(page().comConnectButton());
    EXPECT_EQ(page().comConnectButton()->text(), "Connect");
    EXPECT_FALSE(page().comIndicator()->isUp());
    EXPECT_FALSE(state().comLinkOpen);
    EXPECT_TRUE(page().portList()->isEnabled());
    // The port is free again: it stays listed and another program could open it.
    SerialPort other;
    EXPECT_TRUE(other.openPort(1, SerialSettings{}));
}

TEST_F(GeneralPageSimTest, APortInUseIsNotListedAndFailsToOpen) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.5.2")));
    WAIT_FOR_EQ(page().portList()->count(), 1, Patience);
    SerialPort holder;
    ASSERT_TRUE(holder.openPort(1, SerialSettings{}));
    click(page().comConnectButton());
    EXPECT_EQ(messageOnScreen(), "Open COM failed!");
    EXPECT_FALSE(state().comLinkOpen);
    WAIT_FOR_EQ(page().portList()->count(), 0, Patience);
    holder.signalClose();
    WAIT_FOR_EQ(page().portList()->currentText(), QStringLiteral("COM1"), Patience);
}

// Another program opens the simulator's port after the list showed it; Connect is refused with a
// box that names the port and the program, and the list drops the port until the program ends.
TEST_F(GeneralPageSimTest, ConnectToAPortAnotherProgramTookIsRefusedNamingIt) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.5.7")));
    WAIT_FOR_EQ(page().portList()->currentText(), QStringLiteral("COM1"), Patience);
    test::ForeignHolder rival(sim->comLinkPath().toStdString(), "rival-term", {});
    ASSERT_TRUE(rival.ready());
    click(page().comConnectButton());
    EXPECT_FALSE(state().comLinkOpen);
    EXPECT_EQ(page().comConnectButton()->text(), "Connect");
    QMessageBox* notice = app->mainWindow().findChild<QMessageBox*>();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(),
              QStringLiteral("Open COM failed!\nCOM1 is in use by another program: rival-term "
                             "(process %1).")
                  .arg(rival.pid()));
    WAIT_FOR_EQ(page().portList()->count(), 0, Patience);
    EXPECT_FALSE(simSaw("RX serial"));

    rival.stop();
    WAIT_FOR_EQ(page().portList()->currentText(), QStringLiteral("COM1"), Patience);
}

TEST_F(GeneralPageSimTest, TcpConnectToATypedLoopbackAddress) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.5.3")));
    connectTcpTo(QStringLiteral("127.0.5.3"));
    WAIT_FOR_EQ(page().tcpConnectButton()->text(), QStringLiteral("Disconnect"), Patience);
    EXPECT_TRUE(page().tcpIndicator()->isUp());
    EXPECT_TRUE(state().tcpLinkReady);
    EXPECT_EQ(state().matrixIp, "127.0.5.3");
    WAIT_FOR(simSaw("RX tcp " + BeepQueryOnTheLine), Patience);
    EXPECT_TRUE(messageOnScreen().isEmpty());
}

TEST_F(GeneralPageSimTest, ARefusedConnectIsReported) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.5.4")));
    connectTcpTo(QStringLiteral("127.0.5.5")); // nothing listens there
    WAIT_FOR_EQ(messageOnScreen(), QStringLiteral("Connect to Matrix failed!"), Patience);
    EXPECT_FALSE(page().tcpIndicator()->isUp());
    EXPECT_FALSE(state().tcpLinkReady);
}

TEST_F(GeneralPageSimTest, TheMatrixClosingTheConnectionShowsTheLinkDown) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.5.6"), {"--close-after-reply", "1"}));
    connectTcpTo(QStringLiteral("127.0.5.6"));
    WAIT_FOR(simSaw("RX tcp " + BeepQueryOnTheLine), Patience);
    WAIT_FOR(!state().tcpConnected && !page().tcpIndicator()->isUp(), Patience);
    EXPECT_EQ(page().tcpConnectButton()->text(), "Connect");
    // A click connects afresh.
    click(page().tcpConnectButton());
    WAIT_FOR(page().tcpIndicator()->isUp(), Patience);
}

TEST_F(GeneralPageSimTest, TheSerialLineHangingUpClosesEveryPortAndPollingResumes) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.5.7"), {"--hang-up-after-reply", "1"}));
    WAIT_FOR_EQ(page().portList()->currentText(), QStringLiteral("COM1"), Patience);
    click(page().comConnectButton());
    ASSERT_TRUE(state().comLinkOpen);
    WAIT_FOR(!state().comLinkOpen, Patience);
    EXPECT_FALSE(page().link().serialOpen());
    EXPECT_FALSE(page().comIndicator()->isUp());
    EXPECT_EQ(page().comConnectButton()->text(), "Connect");
    EXPECT_TRUE(page().portList()->isEnabled());
    EXPECT_TRUE(page().timers().isActive(GeneralConnection::PortRefreshTimer));
    // The unplugged line disappears from the list.
    WAIT_FOR_EQ(page().portList()->count(), 0, Patience);
}
