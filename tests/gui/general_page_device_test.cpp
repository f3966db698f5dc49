// The General page's "Device Information" group, switches and factory reset on the offscreen
// platform, clicking the real widgets; the matrix's answers are fed into the page's link as TCP
// data. A picture of the page goes into the test's folder.
#include "Screenshots.h"
#include "gui/app/Application.h"
#include "gui/app/BusyDialog.h"
#include "gui/app/MainWindow.h"
#include "gui/app/MessageDialog.h"
#include "gui/device/DeviceInfoPanel.h"
#include "gui/device/GeneralPageWidget.h"
#include "gui/device/NetworkConfigWindows.h"
#include "serialports/PortNames.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

using namespace quorvane;

namespace {

using Bytes = std::vector<std::uint8_t>;

QString accessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QString();
}

class GeneralPageDeviceTest : public ::testing::Test {
protected:
    GeneralPageDeviceTest() {
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        ports::setBuiltInTableEnabled(false);
        app = std::make_unique<Application>();
        app->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&app->mainWindow()));
    }
    ~GeneralPageDeviceTest() override { app.reset(); }

    GeneralPageWidget& general() { return *app->mainWindow().generalPage(); }
    DeviceInfoPanel& panel() { return *general().deviceInfo(); }
    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    // As if a TCP connection to the matrix were up (nothing reaches a matrix: there is none).
    void pretendTcpLink() {
        app->state().controlMode = ControlMode::Tcp;
        app->state().tcpConnected = true;
        app->state().tcpLinkReady = true;
    }
    void feed(const Bytes& bytes) { general().link().onTcpData(bytes.data(), bytes.size()); }
    QString messageOnScreen() {
        MessageDialog* box = app->dialogView().messageDialog();
        return box && box->isVisible() ? box->text() : QString();
    }

    QTemporaryDir runtime;
    std::unique_ptr<Application> app;
};

TEST_F(GeneralPageDeviceTest, ControlsAreNamedAndTheLabelsStartEmpty) {
    EXPECT_EQ(panel().statusButton()->text(), "Status");
    EXPECT_EQ(panel().clearButton()->text(), "Clear");
    EXPECT_EQ(panel().beepBox()->text(), "Enable Beep ");
    EXPECT_EQ(panel().dviBox()->text(), "Enable DVI Compatibility");
    EXPECT_EQ(panel().irBox()->text(), "Enable IR Control");
    EXPECT_FALSE(panel().irBox()->isVisible());
    EXPECT_TRUE(panel().beepBox()->isVisible());
    EXPECT_EQ(panel().factoryResetButton()->text(), "Factory Reset");
    EXPECT_EQ(panel().inputLabel(1)->text(), "");
    EXPECT_EQ(accessibleName(panel().inputLabel(1)), "HDMI IN1");
    EXPECT_EQ(accessibleName(panel().outputLabel(8)), "HDMI OUTH");
    EXPECT_EQ(accessibleName(panel().deviceField()), "Device");
    EXPECT_EQ(accessibleName(panel().versionField()), "Version");
    for (QWidget* w : std::initializer_list<QWidget*>{panel().statusButton(), panel().clearButton(),
                                                      panel().beepBox(), panel().dviBox(),
                                                      panel().factoryResetButton()})
        EXPECT_FALSE(accessibleName(w).isEmpty());
}

TEST_F(GeneralPageDeviceTest, StatusFillsTheLabelsFromTheAnswers) {
    pretendTcpLink();
    click(panel().statusButton());
    BusyDialog* busy = app->dialogView().busyDialog();
    ASSERT_NE(busy, nullptr);
    EXPECT_TRUE(busy->isVisible());
    for (std::uint8_t port = 1; port <= 8; ++port) {
        const std::uint8_t state = port <= 2 ? 0x01 : 0xFF;
        feed({0xA5, 0x5B, 0x01, 0x04, port, 0x00, state, 0, 0, 0, 0, 0, 0});
        feed({0xA5, 0x5B, 0x01, 0x05, port, 0x00, state, 0, 0, 0, 0, 0, 0});
    }
    EXPECT_EQ(panel().inputLabel(1)->text(), "HDMI IN1: Connect");
    EXPECT_EQ(panel().outputLabel(2)->text(), "HDMI OUTB: Connect");
    EXPECT_EQ(panel().outputLabel(3)->text(), "HDMI OUTC: Disconnect");
    EXPECT_EQ(panel().inputLabel(8)->text(), "HDMI IN8: Disconnect");
    EXPECT_EQ(accessibleName(panel().inputLabel(8)), "HDMI IN8: Disconnect");
    EXPECT_FALSE(busy->isVisible());
    testsupport::saveScreenshot(&general(), QStringLiteral("general-page-device.png"));

    click(panel().clearButton());
    EXPECT_EQ(panel().inputLabel(1)->text(), "");
}

TEST_F(GeneralPageDeviceTest, SwitchClickKeepsTheMarkUntilTheMatrixConfirms) {
    pretendTcpLink();
    click(panel().beepBox());
    EXPECT_FALSE(panel().beepBox()->isChecked());
    feed({0xA5, 0x5B, 0x06, 0x01, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0xF9});
    EXPECT_TRUE(panel().beepBox()->isChecked());
}

TEST_F(GeneralPageDeviceTest, SwitchWithoutALinkSaysSo) {
    click(panel().dviBox());
    EXPECT_FALSE(panel().dviBox()->isChecked());
    EXPECT_EQ(messageOnScreen(), "Open COM failed!");
}

TEST_F(GeneralPageDeviceTest, FactoryResetAsksBeforeItStarts) {
    pretendTcpLink();
    click(panel().factoryResetButton());
    QMessageBox* question = panel().question();
    ASSERT_NE(question, nullptr);
    EXPECT_TRUE(question->isVisible());
    EXPECT_FALSE(general().page().resetting());
    click(question->button(QMessageBox::No));
    EXPECT_FALSE(general().page().resetting());

    click(panel().factoryResetButton());
    ASSERT_NE(panel().question(), nullptr);
    click(panel().question()->button(QMessageBox::Yes));
    EXPECT_TRUE(general().page().resetting());
    BusyDialog* busy = app->dialogView().busyDialog();
    ASSERT_NE(busy, nullptr);
    EXPECT_TRUE(busy->isVisible());
}

// Nothing here may broadcast: only refusals are clicked, never a search or a configuration that
// would be sent (those run inside private network namespaces, see the transport tests).
TEST_F(GeneralPageDeviceTest, ConfigDialogShowsTheFieldsAndRefusesBadOnes) {
    click(general().tcpModeButton());
    click(general().configButton());
    NetworkConfigDialog* dialog = general().configurationWindows().dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), " TCP  Configuration");
    EXPECT_TRUE(dialog->autoIpButton()->isChecked());
    EXPECT_FALSE(dialog->ipField(0)->isEnabled());
    EXPECT_EQ(accessibleName(dialog->macField(5)), "MAC field 6");

    click(dialog->staticIpButton());
    EXPECT_TRUE(dialog->ipField(0)->isEnabled());
    for (int i = 0; i < 4; ++i)
        QTest::keyClicks(dialog->ipField(i), i == 2 ? "300" : "10");
    EXPECT_EQ(dialog->ipField(3)->text(), "10"); // digits only, three at most
    QTest::keyClicks(dialog->macField(0), "ab");
    EXPECT_EQ(dialog->macField(0)->text(), "AB");
    click(dialog->okButton());
    EXPECT_EQ(messageOnScreen(), "IP Address field 3 must be a number from 0 to 255!");
    EXPECT_TRUE(dialog->isVisible());

    // Fields right, but no search has found a matrix to configure.
    dialog->ipField(2)->setText("1");
    for (int i = 0; i < 6; ++i)
        dialog->macField(i)->setText("0A");
    click(dialog->okButton());
    EXPECT_EQ(messageOnScreen(), "No matrix to configure: search for it first!");
    EXPECT_FALSE(general().configuration().configuringShown());

    click(dialog->cancelButton());
    EXPECT_FALSE(dialog->isVisible());
}

} // namespace
