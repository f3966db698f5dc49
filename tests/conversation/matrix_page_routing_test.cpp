// The Matrix page's output groups and status read against the simulated matrix, in virtual time:
// one-click routing on both links, stepping, resend and time-out, the intact rule, odd reports and
// standby.
#include "matrix_page_fixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

TEST_F(MatrixPageTest, ClickOverSerialRoutesAndShowsTheInput) {
    startCom();
    page->clickInput(2, 3);
    EXPECT_TRUE(page->routingBusy());
    EXPECT_TRUE(page->holdsNavigation());
    clock.advance(50);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{routeInput3ToOutput2});
    EXPECT_EQ(device.state().routing[1], 3);
    EXPECT_EQ(page->displayText(2), "3");
    EXPECT_EQ(page->pressedInput(2), 3);
    EXPECT_EQ(page->outputSource(2), 3);
    EXPECT_FALSE(page->routingBusy());
    EXPECT_FALSE(lastBusyNotification());

    // The button already pressed sends again and stays pressed.
    page->clickInput(2, 3);
    clock.advance(50);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{routeInput3ToOutput2});
    EXPECT_EQ(page->pressedInput(2), 3);
    EXPECT_EQ(page->link().sendLog().text().substr(page->link().sendLog().text().size() - 41),
              "A5 5B 02 03 03 00 02 00 00 00 00 00 F6 \r\n");
}

TEST_F(MatrixPageTest, ClickOverTcpRoutesWithoutAPriorStatusRead) {
    // The connection completes after the show, so the status read finds it down.
    matrix.setConnectDelayMs(400);
    state.controlMode = ControlMode::Tcp;
    state.matrixIp = "127.0.0.1";
    state.tcpLinkReady = true;
    createPage();
    page->reconnect();
    clock.advance(150);
    page->onShow();
    EXPECT_EQ(view.message, "Connect to Matrix failed!");
    EXPECT_FALSE(page->routingBusy());
    clock.advance(2000);
    EXPECT_TRUE(framesToMatrix().empty());

    page->clickInput(2, 3);
    clock.advance(50);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{routeInput3ToOutput2});
    EXPECT_EQ(page->displayText(2), "3");
    EXPECT_EQ(page->pressedInput(2), 3);
    EXPECT_FALSE(page->routingBusy());
    clock.advance(10000);
    EXPECT_EQ(view.messages.size(), 1u); // no "Time out!"
}

TEST_F(MatrixPageTest, ClickWithTheLinkDownSendsNothing) {
    createPage(); // COM mode, no port chosen
    page->clickInput(1, 1);
    EXPECT_EQ(view.message, "Open COM failed!");
    EXPECT_FALSE(page->routingBusy());
    clock.advance(1500);
    EXPECT_EQ(view.message, "");

    state.controlMode = ControlMode::Tcp;
    page->clickNext(1);
    EXPECT_EQ(view.message, "Connect to Matrix failed!");
    clock.advance(5000);
    EXPECT_TRUE(framesToMatrix().empty());
}

TEST_F(MatrixPageTest, PreviousAndNextWrapAround) {
    device.state().routing[0] = 8;
    device.state().routing[1] = 1;
    startCom();
    ASSERT_EQ(page->outputSource(1), 8);
    page->clickNext(1);
    clock.advance(50);
    page->clickPrevious(2);
    clock.advance(50);
    EXPECT_EQ(routesToMatrix(), (std::vector<std::pair<int, int>>{{1, 1}, {8, 2}}));
    EXPECT_EQ(page->outputSource(1), 1);
    EXPECT_EQ(page->outputSource(2), 8);
}

TEST_F(MatrixPageTest, StatusReadShowsEveryOutputAndHoldsThePage) {
    device.state().routing = {4, 4, 7, 1, 2, 8, 3, 5};
    state.comPortNumber = 1;
    state.comLinkOpen = true;
    createPage();
    EXPECT_EQ(page->displayText(1), "1");
    EXPECT_EQ(page->pressedInput(1), 0);
    clock.advance(150);
    page->onShow();
    EXPECT_EQ(state.pageSerialSettings.stopBits, 2);
    EXPECT_TRUE(page->holdsNavigation());
    page->clickInput(1, 1); // ignored while the read runs
    clock.advance(500);

    auto frames = framesToMatrix();
    ASSERT_EQ(frames.size(), 8u);
    EXPECT_EQ(frames[0], queryOutput1);
    for (int output = 1; output <= 8; ++output) {
        EXPECT_EQ(frames[output - 1][3], 0x01);
        EXPECT_EQ(frames[output - 1][4], output);
        const int input = device.state().routing[output - 1];
        EXPECT_EQ(page->displayText(output), std::to_string(input));
        EXPECT_EQ(page->pressedInput(output), input);
        EXPECT_EQ(page->outputSource(output), input);
    }
    EXPECT_FALSE(page->routingBusy());
    EXPECT_EQ(events.busy, (std::vector<bool>{true, false}));
}

TEST_F(MatrixPageTest, UnrequestedReportIsShownAndRunsTheLaterQueries) {
    startCom();
    feedSerial(
        {0x12, 0x34, 0xA5, 0x5B, 0x02, 0x01, 0x03, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF5});
    EXPECT_EQ(page->displayText(3), "5");
    EXPECT_EQ(page->pressedInput(3), 5);
    EXPECT_EQ(page->outputSource(3), 5);
    EXPECT_TRUE(page->routingBusy());
    const std::string log = page->link().receiveLog().text();
    EXPECT_EQ(log.substr(log.size() - 47), "12 34 A5 5B 02 01 03 00 05 00 00 00 00 00 F5 \r\n");
    clock.advance(500);
    auto frames = framesToMatrix();
    ASSERT_EQ(frames.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(frames[i][4], 4 + i);
    EXPECT_FALSE(page->routingBusy());
}

TEST_F(MatrixPageTest, FirstTimeoutResendsWithBusyAnimation) {
    startCom();
    device.faults().dropReply = device.replyCount() + 1;
    page->clickInput(2, 3);
    clock.advance(2999);
    EXPECT_EQ(framesToMatrix().size(), 1u);
    EXPECT_EQ(view.busy, "");
    clock.advance(1);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{routeInput3ToOutput2});
    EXPECT_EQ(view.busy, "Please wait . . .");
    // The answer to the resend arrives 5 ms later and ends it.
    clock.advance(4);
    EXPECT_TRUE(page->routingBusy());
    clock.advance(10);
    EXPECT_EQ(view.busy, "");
    EXPECT_EQ(page->displayText(2), "3");
    EXPECT_FALSE(page->routingBusy());
}

TEST_F(MatrixPageTest, BusyTextCyclesWhileTheResendWaits) {
    startCom();
    silenceMatrix();
    page->clickInput(1, 2);
    clock.advance(3000);
    std::vector<std::string> texts{view.busy};
    for (int tick = 0; tick < 4; ++tick) {
        clock.advance(500);
        texts.push_back(view.busy);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Please wait . . .", "Please wait .    ",
                                               "Please wait . .  ", "Please wait . . .",
                                               "Please wait .    "}));
}

TEST_F(MatrixPageTest, SecondTimeoutShowsTimeOutAndFreesThePageWhenItCloses) {
    startCom();
    silenceMatrix();
    page->clickInput(2, 3);
    clock.advance(3000 + 5000);
    EXPECT_EQ(view.message, "Time out!");
    EXPECT_EQ(view.busy, "");
    EXPECT_TRUE(page->routingBusy()); // until the message has closed
    EXPECT_EQ(framesToMatrix().size(), 2u);
    clock.advance(1500);
    EXPECT_EQ(view.message, "");
    EXPECT_FALSE(page->routingBusy());
    EXPECT_FALSE(lastBusyNotification());
    EXPECT_EQ(page->displayText(2), "2"); // as the status read left it
    clock.advance(20000);
    EXPECT_TRUE(framesToMatrix().empty());

    // A late acknowledgement still shows the input last asked for.
    feedSerial(ackOutput2);
    EXPECT_EQ(page->displayText(2), "3");
    EXPECT_EQ(page->pressedInput(2), 3);
}

TEST_F(MatrixPageTest, SerialAcknowledgementsOfOutputs1To4CountOnlyWhenIntact) {
    startCom();
    silenceMatrix();
    page->clickInput(2, 3);
    framesToMatrix();
    feedSerial(ackOutput2Damaged);
    EXPECT_TRUE(page->routingBusy());
    clock.advance(10);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{routeInput3ToOutput2}); // resent once
    feedSerial(ackOutput2);
    EXPECT_FALSE(page->routingBusy());
    EXPECT_EQ(page->displayText(2), "3");

    // Outputs 5..8 take the acknowledgement intact or not.
    page->clickInput(6, 4);
    feedSerial(ackOutput6Damaged);
    EXPECT_FALSE(page->routingBusy());
    EXPECT_EQ(page->displayText(6), "4");
    page->clickInput(6, 5);
    feedSerial(ackOutput6);
    EXPECT_EQ(page->displayText(6), "5");
}

TEST_F(MatrixPageTest, MatrixSendingADamagedAcknowledgementGetsTheCommandAgain) {
    startCom();
    device.faults().corruptReply = device.replyCount() + 1;
    page->clickInput(4, 7);
    clock.advance(50);
    EXPECT_EQ(routesToMatrix(), (std::vector<std::pair<int, int>>{{7, 4}, {7, 4}}));
    EXPECT_EQ(page->displayText(4), "7");
    EXPECT_FALSE(page->routingBusy());
}

TEST_F(MatrixPageTest, ResendAfterADamagedAcknowledgementStillEnds) {
    startCom();
    silenceMatrix();
    // No answer after the resend: the second chance runs out.
    page->clickInput(2, 3);
    feedSerial(ackOutput2Damaged);
    clock.advance(5000);
    EXPECT_EQ(view.message, "Time out!");
    clock.advance(1500);
    EXPECT_FALSE(page->routingBusy());

    // A second damaged acknowledgement ends the command as a time-out does.
    page->clickInput(2, 4);
    feedSerial(ackOutput2Damaged);
    feedSerial(ackOutput2Damaged);
    EXPECT_EQ(view.message, "Time out!");
    EXPECT_EQ(page->displayText(2), "2");
    clock.advance(1500);
    EXPECT_FALSE(page->routingBusy());
    EXPECT_FALSE(lastBusyNotification());
}

TEST_F(MatrixPageTest, ReportsOfInput0AndFFOverSerial) {
    device.state().routing[1] = 0;
    device.state().routing[2] = 0xFF;
    startCom();
    EXPECT_EQ(page->displayText(2), "0");
    EXPECT_EQ(page->displayText(3), "-1");
    EXPECT_EQ(page->pressedInput(2), 0);
    EXPECT_EQ(page->outputSource(2), 1);
    EXPECT_EQ(page->outputSource(3), 1);
}

TEST_F(MatrixPageTest, ReportsOfInput0AndFFOverTcpAndStepsFromThem) {
    device.state().routing[1] = 0;
    device.state().routing[2] = 0xFF;
    startTcp();
    EXPECT_EQ(page->displayText(2), "0");
    EXPECT_EQ(page->displayText(3), "255");
    EXPECT_EQ(page->pressedInput(2), 0);
    EXPECT_EQ(page->outputSource(2), 0);
    EXPECT_EQ(page->outputSource(3), -1);

    // A source outside 1..8 steps to 8 (previous) and 1 (next).
    page->clickPrevious(2);
    clock.advance(50);
    page->clickNext(3);
    clock.advance(50);
    EXPECT_EQ(routesToMatrix(), (std::vector<std::pair<int, int>>{{8, 2}, {1, 3}}));
    device.state().routing[3] = 0;
    page->onShow();
    clock.advance(500);
    page->clickNext(4);
    clock.advance(50);
    EXPECT_EQ(routesToMatrix().back(), (std::pair<int, int>{1, 4}));
}

TEST_F(MatrixPageTest, StandbyDuringACommandStopsEverything) {
    startCom();
    silenceMatrix();
    page->clickInput(3, 6);
    clock.advance(3000);
    ASSERT_EQ(view.busy, "Please wait . . .");
    matrix.sendStandbyReport(sim::LinkKind::Serial);
    clock.advance(5); // the report's latency
    EXPECT_EQ(view.busy, "");
    EXPECT_EQ(view.message, "Matrix is in standby mode!");
    EXPECT_FALSE(page->routingBusy());
    EXPECT_FALSE(lastBusyNotification());
    clock.advance(2499);
    EXPECT_EQ(view.message, "Matrix is in standby mode!");
    clock.advance(1);
    EXPECT_EQ(view.message, "");
    clock.advance(20000);
    EXPECT_EQ(view.messages.back(), "Matrix is in standby mode!"); // no "Time out!" follows
    EXPECT_EQ(framesToMatrix().size(), 2u);
}

TEST_F(MatrixPageTest, StandbyInTheMiddleOfTheStatusReadOverTcp) {
    state.controlMode = ControlMode::Tcp;
    state.matrixIp = "127.0.0.1";
    state.tcpLinkReady = true;
    createPage();
    page->reconnect();
    clock.advance(150);
    device.faults().standbyBeforeReply = 4;
    page->onShow();
    clock.advance(20000);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Matrix is in standby mode!"});
    EXPECT_EQ(framesToMatrix().size(), 4u);
    EXPECT_FALSE(page->routingBusy());
    EXPECT_EQ(events.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(page->displayText(3), "3");
    EXPECT_EQ(page->displayText(4), "1");
}

TEST_F(MatrixPageTest, TcpDataIsReadOnlyAfterThePageTalkedOverTcp) {
    startTcp();
    page->onAnySwitch(); // the main window used a page button
    EXPECT_FALSE(page->tcpRoutingActive());
    feedTcp({0xA5, 0x5B, 0x02, 0x01, 0x03, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF5});
    EXPECT_EQ(page->displayText(3), "3");

    page->clickInput(2, 3);
    EXPECT_TRUE(page->tcpRoutingActive());
    // A frame split over reads of 5 and 8 bytes is taken when the second arrives.
    silenceMatrix();
    feedTcp({0xA5, 0x5B, 0x02, 0x03, 0x00});
    EXPECT_TRUE(page->routingBusy());
    feedTcp({0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8}); // not tested for intactness
    EXPECT_FALSE(page->routingBusy());
    EXPECT_EQ(page->displayText(2), "3");
}

} // namespace
