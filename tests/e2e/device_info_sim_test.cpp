// The General page's device information, switches and factory reset against quorvane-sim as a
// separate process, over its pseudo-terminal (COM1 in a private ports folder) and over TCP on its
// own loopback address, clicking the widgets as a user would.
#include "SimAppFixture.h"

#include "gui/app/Application.h"
#include "gui/app/MainWindow.h"
#include "gui/device/DeviceInfoPanel.h"
#include "gui/device/GeneralPageWidget.h"

#include <QCheckBox>
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

class DeviceInfoSimTest : public SimAppFixture {
protected:
    // A matrix with IN2, IN7 and OUTA attached that says it is an HDBT matrix.
    void start(const QString& address) {
        ASSERT_NO_FATAL_FAILURE(launch({"--com", "1", "--tcp", address, "--inputs", "2,7",
                                        "--outputs", "1", "--device-type", "2"}));
        app->show();
    }
    GeneralPageWidget& page() { return general(); }
    DeviceInfoPanel& panel() { return *page().deviceInfo(); }
    void expectLabelsOfTheMatrix() {
        WAIT_FOR_EQ(panel().outputLabel(8)->text(), QStringLiteral("HDMI OUTH: Disconnect"),
                    Patience);
        EXPECT_EQ(panel().inputLabel(1)->text(), "HDMI IN1: Disconnect");
        EXPECT_EQ(panel().inputLabel(2)->text(), "HDMI IN2: Connect");
        EXPECT_EQ(panel().inputLabel(7)->text(), "HDMI IN7: Connect");
        EXPECT_EQ(panel().outputLabel(1)->text(), "HDMI OUTA: Connect");
        EXPECT_EQ(panel().outputLabel(2)->text(), "HDMI OUTB: Disconnect");
    }
};

} // namespace

TEST_F(DeviceInfoSimTest, StatusOverThePseudoTerminalShowsPortsDeviceAndVersion) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.6.1")));
    WAIT_FOR_EQ(page().portList()->currentText(), QStringLiteral("COM1"), Patience);
    // "Status" opens the port itself when it is closed.
    click(panel().statusButton());
    expectLabelsOfTheMatrix();
    EXPECT_EQ(panel().deviceField()->text(), "HDBT MATRIX 8X8");
    EXPECT_EQ(panel().versionField()->text(), "1.2");
    EXPECT_EQ(page().comConnectButton()->text(), "Disconnect");
    EXPECT_TRUE(messageOnScreen().isEmpty());

    // The beep switch: the matrix confirms, the mark follows.
    WAIT_FOR(panel().beepBox()->isChecked(), Patience);
    click(panel().beepBox());
    EXPECT_TRUE(panel().beepBox()->isChecked());
    WAIT_FOR(!panel().beepBox()->isChecked(), Patience);
}

TEST_F(DeviceInfoSimTest, StatusOverTcpReconnectsAndAFactoryResetCompletes) {
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("127.0.6.2")));
    click(page().tcpModeButton());
    QTest::keyClicks(page().ipBox()->lineEdit(), QStringLiteral("127.0.6.2"));
    click(panel().statusButton());
    expectLabelsOfTheMatrix();
    EXPECT_EQ(page().tcpConnectButton()->text(), "Disconnect");
    EXPECT_EQ(panel().deviceField()->text(), ""); // the type is read over the serial link only

    click(panel().factoryResetButton());
    ASSERT_NE(panel().question(), nullptr);
    click(panel().question()->button(QMessageBox::Yes));
    WAIT_FOR_EQ(messageOnScreen(), QStringLiteral("Set successfully!"), Patience);
    WAIT_FOR(panel().beepBox()->isChecked(), Patience);
}
