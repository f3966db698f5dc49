// The General page's device information read-out against the simulated matrix, in virtual time:
// the chain over both links, the type/size/version reports, checksums, resends and time-outs, the
// TCP reconnect and standby.
#include "general_page_fixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

TEST_F(GeneralPageTest, ReadoutOverSerialAsksTheDeviceThenEveryPortInTurn) {
    connectCom();
    page.clickStatus();
    EXPECT_TRUE(allLabels() == Texts(16, ""));
    EXPECT_EQ(view.busy, "Getting status . . .");
    clock.advance(199);
    EXPECT_TRUE(framesToMatrix().empty());
    clock.advance(1000);

    const std::vector<Bytes> sent = framesToMatrix();
    ASSERT_EQ(sent.size(), 19u);
    EXPECT_EQ(sent[0], typeQuery);
    EXPECT_EQ(sent[1], sizeQuery);
    EXPECT_EQ(sent[2], versionQuery);
    EXPECT_EQ(sent[3], inputQuery1);
    EXPECT_EQ(sent[4], outputQuery1);
    EXPECT_EQ(sent[18], outputQuery8);
    EXPECT_EQ(allLabels(), DefaultLabels);
    EXPECT_EQ(page.deviceText(), "HDMI MATRIX 8X8");
    EXPECT_EQ(page.versionText(), "1.2");
    EXPECT_TRUE(page.inputConnected(4));
    EXPECT_FALSE(page.outputConnected(5));
    EXPECT_FALSE(state.busyShown);
    EXPECT_EQ(page.readout(), GeneralPage::Readout::Idle);
    EXPECT_TRUE(view.messages.empty());
    ASSERT_FALSE(events.busy.empty());
    EXPECT_FALSE(events.busy.back());

    page.clickClear();
    EXPECT_TRUE(allLabels() == Texts(16, ""));
}

TEST_F(GeneralPageTest, StatusOpensThePortFirstWhenItIsClosed) {
    page.clickStatus();
    EXPECT_TRUE(state.comLinkOpen);
    EXPECT_EQ(connectionView.screen.comButtonText, "Disconnect");
    clock.advance(2000);
    EXPECT_EQ(allLabels(), DefaultLabels);
}

TEST_F(GeneralPageTest, StatusWithNoPortToOpenDoesNothingMore) {
    auto holder = matrix.createSerial();
    ASSERT_TRUE(holder->openPort(1, SerialSettings{}));
    clock.advance(500); // the list refresh finds no port
    page.clickStatus();
    EXPECT_EQ(view.message, "Open COM failed!");
    EXPECT_FALSE(state.busyShown);
    clock.advance(20000);
    EXPECT_TRUE(allLabels() == Texts(16, ""));
    EXPECT_TRUE(framesToMatrix().empty());
}

TEST_F(GeneralPageTest, OutputAnsweredWithFFIsDisconnectedAndAnyOtherValueConnected) {
    connectCom();
    silenceMatrix();
    page.clickStatus();
    clock.advance(200);
    // Walk the chain by hand: type, size, version, then the port answers.
    feedSerial({0xA5, 0x5B, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFD});
    feedSerial({0xA5, 0x5B, 0x01, 0x02, 0x08, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0xED});
    feedSerial({0xA5, 0x5B, 0x01, 0x03, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF9});
    feedSerial({0xA5, 0x5B, 0x01, 0x04, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF9});
    feedSerial({0xA5, 0x5B, 0x01, 0x05, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8});
    feedSerial({0xA5, 0x5B, 0x01, 0x04, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8});
    feedSerial({0xA5, 0x5B, 0x01, 0x05, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF7});
    feedSerial({0xA5, 0x5B, 0x01, 0x04, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF7});
    feedSerial(outputCNothing);
    EXPECT_EQ(page.outputLabel(3), "HDMI OUTC: Disconnect");
    feedSerial(outputCZero); // out of turn now: the chain waits for input 4
    EXPECT_EQ(page.outputLabel(3), "HDMI OUTC: Disconnect");

    // Over TCP the same answer 00 counts as connected.
    connectTcp();
    page.clickStatus();
    for (int port = 1; port <= 2; ++port) {
        feedTcp({0xA5, 0x5B, 0x01, 0x04, static_cast<std::uint8_t>(port), 0, 0, 0, 0, 0, 0, 0, 0});
        feedTcp({0xA5, 0x5B, 0x01, 0x05, static_cast<std::uint8_t>(port), 0, 0, 0, 0, 0, 0, 0, 0});
    }
    feedTcp({0xA5, 0x5B, 0x01, 0x04, 0x03, 0, 0, 0, 0, 0, 0, 0, 0});
    feedTcp(outputCZero);
    EXPECT_EQ(page.outputLabel(3), "HDMI OUTC: Connect");
}

TEST_F(GeneralPageTest, AnswerWithABadChecksumIsIgnoredAndTheQueryResentAfter5s) {
    connectCom();
    page.clickStatus();
    // Replies after the status click: type, size, version, IN1, OUTA, IN2, OUTB, then IN3.
    device.faults().corruptReply = device.replyCount() + 8;
    // Sent at 235 ms (200 ms start, then one answer every 5 ms), answered damaged at 240 ms.
    clock.advance(260);
    EXPECT_EQ(page.outputLabel(2), "HDMI OUTB: Connect");
    EXPECT_EQ(page.inputLabel(3), "");
    framesToMatrix();
    clock.advance(5234 - 260);
    EXPECT_TRUE(framesToMatrix().empty());
    clock.advance(1);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{inputQuery3});
    clock.advance(1000);
    EXPECT_EQ(page.inputLabel(3), "HDMI IN3: Connect");
    EXPECT_EQ(allLabels(), DefaultLabels);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(GeneralPageTest, QueryUnansweredTwiceEndsWithTimeOut) {
    connectTcp();
    silenceMatrix();
    page.clickStatus();
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{inputQuery1});
    EXPECT_TRUE(state.busyShown);
    clock.advance(5000);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{inputQuery1});
    clock.advance(4999);
    EXPECT_TRUE(view.messages.empty());
    clock.advance(1);
    EXPECT_EQ(view.message, "Time out!");
    EXPECT_FALSE(state.busyShown);
    EXPECT_FALSE(timers->isActive(quorvane::device::ReadoutBusyTimer));
    EXPECT_EQ(page.readout(), GeneralPage::Readout::Idle);
    clock.advance(1000);
    EXPECT_FALSE(state.messageShown);
    clock.advance(20000);
    EXPECT_TRUE(framesToMatrix().empty());
}

TEST_F(GeneralPageTest, PleaseWaitShowingIsClosedInsteadOfTheOutcome) {
    connectTcp();
    silenceMatrix();
    page.clickStatus();
    // The box as another page raises it: its text from the table, with its id.
    state.messageText = "Please wait...";
    state.messageId = Text::PleaseWait;
    dialogs.openMessage();
    clock.advance(10000);
    EXPECT_FALSE(state.messageShown);
    EXPECT_FALSE(state.busyShown);
    EXPECT_EQ(view.messages, Texts{"Please wait..."});

    // And at the end of a chain that completes.
    device.faults() = sim::Faults{};
    page.clickStatus();
    // The box as another page raises it: its text from the table, with its id.
    state.messageText = "Please wait...";
    state.messageId = Text::PleaseWait;
    dialogs.openMessage();
    clock.advance(1000);
    EXPECT_EQ(allLabels(), DefaultLabels);
    EXPECT_FALSE(state.messageShown);
    EXPECT_FALSE(state.busyShown);
}

TEST_F(GeneralPageTest, ReadoutOverTcpReconnectsWhenTheLinkIsDown) {
    connection.chooseTcpMode();
    connection.editIpText("127.0.0.1");
    page.clickStatus();
    EXPECT_TRUE(page.reconnectPending());
    EXPECT_EQ(matrix.tcp().connectCount(), 1);
    page.clickStatus(); // ignored while the reconnect is pending
    EXPECT_EQ(matrix.tcp().connectCount(), 1);
    clock.advance(99);
    EXPECT_FALSE(state.busyShown);
    clock.advance(1);
    EXPECT_FALSE(page.reconnectPending());
    EXPECT_EQ(connectionView.screen.tcpButtonText, "Disconnect");
    EXPECT_TRUE(connectionView.screen.tcpIndicatorUp);
    EXPECT_EQ(view.busy, "Getting status . . .");
    clock.advance(199);
    // The switch states first; over TCP the DVI state is not asked.
    EXPECT_EQ(framesToMatrix(), (std::vector<Bytes>{irQuery, beepQuery}));
    EXPECT_TRUE(switchOn(GeneralPage::Switch::IrControl));
    EXPECT_TRUE(switchOn(GeneralPage::Switch::Beep));
    clock.advance(1);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{inputQuery1});
    clock.advance(1000);
    EXPECT_EQ(allLabels(), DefaultLabels);
    EXPECT_FALSE(state.busyShown);
    // Type reports over TCP are not acted on: the device line stays empty.
    EXPECT_EQ(page.deviceText(), "");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(GeneralPageTest, ReconnectThatDoesNotComeUpIn100msFails) {
    connection.chooseTcpMode();
    connection.editIpText("127.0.0.2");
    page.clickStatus();
    clock.advance(100);
    EXPECT_EQ(view.message, "Connect to Matrix failed!");
    EXPECT_EQ(connectionView.screen.tcpButtonText, "Connect");
    EXPECT_FALSE(page.reconnectPending());
    EXPECT_FALSE(state.busyShown);
    clock.advance(999);
    EXPECT_TRUE(state.messageShown);
    clock.advance(1);
    EXPECT_FALSE(state.messageShown);
    clock.advance(20000);
    EXPECT_EQ(view.messages.size(), 1u);
}

TEST_F(GeneralPageTest, ConnectionDroppingBetweenCheckAndFirstQueryEndsTheReadout) {
    connection.chooseTcpMode();
    connection.editIpText("127.0.0.1");
    // The matrix answers the IR state query and then closes the connection.
    device.faults().closeAfterReply = device.replyCount() + 1;
    page.clickStatus();
    clock.advance(150);
    EXPECT_FALSE(state.tcpConnected);
    EXPECT_TRUE(state.busyShown);
    clock.advance(150);
    EXPECT_FALSE(state.busyShown);
    EXPECT_FALSE(timers->isActive(quorvane::device::ReadoutBusyTimer));
    EXPECT_EQ(view.message, "Connection to Matrix lost!");
    EXPECT_EQ(page.readout(), GeneralPage::Readout::Idle);
    EXPECT_FALSE(events.busy.empty());
}

TEST_F(GeneralPageTest, TypeReportChainShowsTheDeviceAndItsVersion) {
    connectCom();
    feedSerial(typeReport2Damaged);
    clock.advance(100);
    EXPECT_TRUE(framesToMatrix().empty());
    EXPECT_EQ(page.deviceText(), "");

    feedSerial(typeReport2);
    EXPECT_EQ(page.deviceText(), "HDBT MATRIX");
    clock.advance(2000);
    const std::vector<Bytes> sent = framesToMatrix();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], sizeQuery);
    EXPECT_EQ(sent[1], versionQuery);
    EXPECT_EQ(sent[2], inputQuery1);
    EXPECT_EQ(page.deviceText(), "HDBT MATRIX 8X8");
    EXPECT_EQ(page.versionText(), "1.2");
    EXPECT_EQ(allLabels(), DefaultLabels);

    // An unknown code keeps the type; the size answer is then shown with it.
    feedSerial({0xA5, 0x5B, 0x01, 0x01, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF7});
    clock.advance(2000);
    EXPECT_EQ(page.deviceText(), "HDBT MATRIX 8X8");
}

TEST_F(GeneralPageTest, StandbyDuringAReadoutStopsItAndEveryPageTimer) {
    connectCom();
    page.clickStatus();
    clock.advance(230);
    matrix.sendStandbyReport(sim::LinkKind::Serial);
    clock.advance(5);
    EXPECT_EQ(view.message, "Matrix is in standby mode!");
    EXPECT_FALSE(state.busyShown);
    EXPECT_EQ(page.readout(), GeneralPage::Readout::Idle);
    for (int id = 1; id <= 79; ++id) {
        if (id != quorvane::device::MessageTimer) {
            EXPECT_FALSE(timers->isActive(id)) << id;
        }
    }
    framesToMatrix();
    clock.advance(2499);
    EXPECT_TRUE(state.messageShown);
    clock.advance(1);
    EXPECT_FALSE(state.messageShown);
    clock.advance(20000);
    EXPECT_TRUE(framesToMatrix().empty());
    EXPECT_EQ(view.messages, Texts{"Matrix is in standby mode!"});
}

TEST_F(GeneralPageTest, TcpDataIsIgnoredWhileAnotherPageIsOnShow) {
    connectTcp();
    silenceMatrix();
    page.clickStatus();
    state.currentPage = PageId::Matrix;
    feedTcp({0xA5, 0x5B, 0x01, 0x04, 0x01, 0, 0x01, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(page.inputLabel(1), "");
    state.currentPage = PageId::General;
    feedTcp({0xA5, 0x5B, 0x01, 0x04, 0x01, 0, 0x01, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(page.inputLabel(1), "HDMI IN1: Connect");
}

TEST_F(GeneralPageTest, PortAnswersOverTcpWaitForTheReadoutAfterAConnectClick) {
    connectTcp();
    silenceMatrix();
    page.clickStatus();
    connection.clickTcpConnect(); // disconnect: the status-reply gate closes
    EXPECT_TRUE(page.statusGate());
    feedTcp({0xA5, 0x5B, 0x01, 0x04, 0x01, 0, 0x01, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(page.inputLabel(1), "");

    // Coming back to the page closes it too, until the next read-out.
    connectTcp();
    page.clickStatus();
    EXPECT_FALSE(page.statusGate());
    page.onSwitchedTo();
    EXPECT_TRUE(page.statusGate());
    feedTcp({0xA5, 0x5B, 0x01, 0x04, 0x01, 0, 0x01, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(page.inputLabel(1), "");
}

} // namespace
