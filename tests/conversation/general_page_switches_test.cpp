// The General page's switches (confirm by reply) and factory reset against the simulated matrix,
// in virtual time, over both links.
#include "general_page_fixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

using Switch = GeneralPage::Switch;

TEST_F(GeneralPageTest, SwitchClickLeavesTheMarkAndTheAcknowledgementFlipsIt) {
    device.state().beepOn = false;
    connectCom();
    ASSERT_FALSE(switchOn(Switch::Beep));
    page.clickSwitch(Switch::Beep);
    EXPECT_FALSE(switchOn(Switch::Beep));
    clock.advance(4);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{beepOn});
    EXPECT_FALSE(switchOn(Switch::Beep));
    clock.advance(1);
    EXPECT_TRUE(switchOn(Switch::Beep));
    EXPECT_TRUE(device.state().beepOn);

    // Set: the click asks for off. The matrix's own acknowledgement is lost; the test brings
    // others.
    silenceMatrixFor(1);
    page.clickSwitch(Switch::Beep);
    clock.advance(10);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{beepOff});
    EXPECT_TRUE(switchOn(Switch::Beep));

    // An acknowledgement whose byte 6 is not 00 ends the request and changes nothing; another
    // acknowledgement, with no request outstanding, changes nothing either.
    feedSerial(beepAckRefused);
    EXPECT_TRUE(switchOn(Switch::Beep));
    EXPECT_FALSE(page.switchPending(Switch::Beep));
    feedSerial(beepAck);
    EXPECT_TRUE(switchOn(Switch::Beep));

    // Asked again, the acknowledgement sets the mark to what was asked.
    silenceMatrixFor(1);
    page.clickSwitch(Switch::Beep);
    clock.advance(10);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{beepOff});
    feedSerial(beepAck);
    EXPECT_FALSE(switchOn(Switch::Beep));
    feedSerial(beepAck); // a repeat flips nothing
    EXPECT_FALSE(switchOn(Switch::Beep));

    // DVI and the hidden IR switch (never asked over the serial link, so clear) work the same
    // way; nothing times out.
    page.clickSwitch(Switch::Dvi);
    page.clickSwitch(Switch::IrControl);
    clock.advance(10);
    EXPECT_EQ(framesToMatrix(), (std::vector<Bytes>{dviOn, irOn}));
    EXPECT_TRUE(switchOn(Switch::Dvi));
    EXPECT_TRUE(switchOn(Switch::IrControl));
    clock.advance(20000);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(GeneralPageTest, SwitchWithoutAcknowledgementIsResentOnceThenTimesOut) {
    connectCom();
    ASSERT_TRUE(switchOn(Switch::Beep));
    silenceMatrix();
    page.clickSwitch(Switch::Beep);
    clock.advance(4999);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{beepOff});
    clock.advance(1);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{beepOff});
    clock.advance(4999);
    EXPECT_TRUE(view.messages.empty());
    clock.advance(1);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Time out!"});
    EXPECT_TRUE(switchOn(Switch::Beep));
    EXPECT_FALSE(page.switchPending(Switch::Beep));
    clock.advance(20000);
    EXPECT_TRUE(framesToMatrix().empty());
    // A late acknowledgement, after "Time out!", changes nothing.
    feedSerial(beepAck);
    EXPECT_TRUE(switchOn(Switch::Beep));
}

TEST_F(GeneralPageTest, StateAnswersSetTheMarksWithDviTheOtherWayRound) {
    connectCom();
    EXPECT_TRUE(switchOn(Switch::Beep)); // simulator: beep on
    EXPECT_FALSE(switchOn(Switch::Dvi)); // simulator: DVI compatibility off (F0)
    feedSerial(dviStateFF);
    EXPECT_TRUE(switchOn(Switch::Dvi));
    feedSerial(beepStateOff);
    EXPECT_FALSE(switchOn(Switch::Beep));
    // The beep state answer asks for the DVI state next over the serial link.
    clock.advance(10);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{dviQuery});
    EXPECT_FALSE(switchOn(Switch::Dvi));
}

TEST_F(GeneralPageTest, TcpStateAnswersFollowTheirOwnRules) {
    connectTcp();
    // An IR state answer whose byte 4 is not 00 is not acted on over TCP; one with 00 is, and
    // asks for the beep state next.
    feedTcp({0xA5, 0x5B, 0x01, 0x0A, 0x01, 0x00, 0x0F, 0, 0, 0, 0, 0, 0xE5});
    EXPECT_FALSE(switchOn(Switch::IrControl));
    clock.advance(10);
    EXPECT_TRUE(framesToMatrix().empty());
    feedTcp({0xA5, 0x5B, 0x01, 0x0A, 0x00, 0x00, 0x0F, 0, 0, 0, 0, 0, 0xE6});
    EXPECT_TRUE(switchOn(Switch::IrControl));
    clock.advance(10);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{beepQuery});
    // The DVI state answer is not acted on over TCP.
    feedTcp(dviStateFF);
    EXPECT_FALSE(switchOn(Switch::Dvi));
    // The DVI acknowledgement counts over TCP as over the serial link.
    page.clickSwitch(Switch::Dvi);
    clock.advance(10);
    EXPECT_EQ(framesToMatrix(), std::vector<Bytes>{dviOn});
    EXPECT_TRUE(switchOn(Switch::Dvi));
}

TEST_F(GeneralPageTest, SwitchOrResetWithTheLinkDownShowsWhy) {
    page.clickSwitch(Switch::Beep);
    EXPECT_EQ(view.message, "Open COM failed!");
    clock.advance(1499);
    EXPECT_TRUE(state.messageShown);
    clock.advance(1);
    EXPECT_FALSE(state.messageShown);
    page.clickFactoryReset();
    EXPECT_EQ(view.message, "Open COM failed!");
    EXPECT_TRUE(questions.empty());
    connection.chooseTcpMode();
    page.clickSwitch(Switch::Dvi);
    EXPECT_EQ(view.message, "Connect to Matrix failed!");
    clock.advance(5000);
    EXPECT_TRUE(device.framesSeen().empty());
}

std::vector<Bytes> resetFramesOverSerial() {
    std::vector<Bytes> out;
    for (std::uint8_t n = 1; n <= 8; ++n) {
        const auto sum = static_cast<std::uint8_t>(0xA5 + 0x5B + 0x02 + 0x03 + n + n);
        out.push_back({0xA5, 0x5B, 0x02, 0x03, n, 0x00, n, 0, 0, 0, 0, 0,
                       static_cast<std::uint8_t>(0x100 - sum)});
    }
    out.push_back(edidHandshake);
    out.push_back(edidSet4);
    out.push_back(beepOn);
    out.push_back(dviOff);
    return out;
}

TEST_F(GeneralPageTest, FactoryResetOverSerialAsksFirstThenTakesTwelveSteps) {
    device.state().routing = {3, 3, 3, 3, 3, 3, 3, 3};
    device.state().inputEdid.fill(0);
    connectCom();
    feedSerial(dviStateFF);
    feedSerial(beepStateOff);
    clock.advance(10);
    feedSerial(dviStateFF);
    framesToMatrix();
    ASSERT_TRUE(switchOn(Switch::Dvi));
    ASSERT_FALSE(switchOn(Switch::Beep));

    page.clickFactoryReset();
    ASSERT_EQ(questions.size(), 1u);
    page.answerFactoryReset(false);
    clock.advance(100);
    EXPECT_TRUE(framesToMatrix().empty());
    EXPECT_FALSE(page.resetting());

    page.clickFactoryReset();
    page.answerFactoryReset(true);
    EXPECT_TRUE(page.resetting());
    EXPECT_EQ(view.busy, "Setting . . .");
    clock.advance(500);
    EXPECT_EQ(framesToMatrix(), resetFramesOverSerial());
    EXPECT_FALSE(page.resetting());
    EXPECT_FALSE(state.busyShown);
    EXPECT_EQ(view.message, "Set successfully!");
    EXPECT_FALSE(switchOn(Switch::Dvi));
    // The beep mark is set once the message has closed, not before.
    EXPECT_FALSE(switchOn(Switch::Beep));
    clock.advance(1000);
    EXPECT_FALSE(switchOn(Switch::Beep));
    clock.advance(500);
    EXPECT_FALSE(state.messageShown);
    EXPECT_TRUE(switchOn(Switch::Beep));
    EXPECT_EQ(device.state().routing, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(device.state().inputEdid[5], 3); // the built-in EDID 4
}

TEST_F(GeneralPageTest, FactoryResetOverTcpEndsAfterElevenStepsAndKeepsTheDviMark) {
    connectTcp();
    page.clickSwitch(Switch::Dvi);
    clock.advance(10);
    framesToMatrix();
    ASSERT_TRUE(switchOn(Switch::Dvi));

    page.clickFactoryReset();
    page.answerFactoryReset(true);
    clock.advance(500);
    std::vector<Bytes> expected = resetFramesOverSerial();
    expected.pop_back();
    EXPECT_EQ(framesToMatrix(), expected);
    EXPECT_EQ(view.message, "Set successfully!");
    EXPECT_TRUE(switchOn(Switch::Dvi));
    clock.advance(1500);
    EXPECT_TRUE(switchOn(Switch::Beep));
}

TEST_F(GeneralPageTest, FactoryResetStepUnansweredIsResentThenTimesOut) {
    connectCom();
    page.clickFactoryReset();
    page.answerFactoryReset(true);
    // Steps 1..5 go out one every 5 ms; the matrix falls silent after answering step 5.
    clock.advance(20);
    silenceMatrix();
    clock.advance(100);
    framesToMatrix();
    clock.advance(5000);
    const std::vector<Bytes> resent = framesToMatrix();
    ASSERT_EQ(resent.size(), 1u);
    EXPECT_EQ(resent[0][4], 6); // step 6 (route 6 to 6) was the one waiting
    EXPECT_TRUE(page.resetting());
    clock.advance(5000);
    EXPECT_FALSE(page.resetting());
    EXPECT_EQ(view.message, "Time out!");
    EXPECT_FALSE(state.busyShown);
    clock.advance(1000);
    EXPECT_FALSE(state.messageShown);
    EXPECT_EQ(view.messages, Texts{"Time out!"});
}

TEST_F(GeneralPageTest, StandbyDuringAFactoryResetLeavesTheResetRunning) {
    connectCom();
    device.faults().delayReply = device.replyCount() + 3;
    device.faults().delayMs = 100;
    page.clickFactoryReset();
    page.answerFactoryReset(true);
    clock.advance(20);
    matrix.sendStandbyReport(sim::LinkKind::Serial);
    clock.advance(5);
    EXPECT_EQ(view.message, "Matrix is in standby mode!");
    EXPECT_FALSE(state.busyShown);
    EXPECT_TRUE(page.resetting());
    clock.advance(500);
    EXPECT_FALSE(page.resetting());
    EXPECT_EQ(view.messages, (Texts{"Matrix is in standby mode!", "Set successfully!"}));
    clock.advance(2500);
    EXPECT_TRUE(switchOn(Switch::Beep));
}

TEST_F(GeneralPageTest, AcknowledgementsOutOfTurnDuringAResetFlipNothing) {
    connectCom();
    silenceMatrix();
    const bool beep = switchOn(Switch::Beep);
    page.clickFactoryReset();
    page.answerFactoryReset(true);
    feedSerial(beepAck);
    EXPECT_EQ(switchOn(Switch::Beep), beep);
    EXPECT_EQ(page.resetStep(), 1);
}

} // namespace
