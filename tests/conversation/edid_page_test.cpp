// The EDID page's set, copy, status and read-back conversations against the simulated matrix in
// virtual time, over COM and TCP: literal frames, busy texts, retries and time-outs, standby, the
// EDID switch check, the reply gate and the requests refused while one runs.
#include "edid_page_fixture.h"

using namespace quorvane;
using namespace quorvane::test;
namespace f = quorvane::test::edidframes;

namespace {

using Frames = std::vector<Bytes>;

TEST_P(EdidPageTest, DefaultEdidToAllInputsReadsEveryNameBackWithoutTimers) {
    device.state().inputEdid.fill(0x0B);
    start();
    EXPECT_EQ(page->inputName(1), "4K2K,HD Audio 7.1");
    page->selectSetMode(15);
    page->selectSetTarget(8);
    page->clickSet();
    EXPECT_EQ(view.busy, "Setting . . .");
    EXPECT_TRUE(page->busy());
    clock.advance(50);
    Frames expected{f::handshake, f::defaultAll};
    for (const Bytes& query : allNameQueries())
        expected.push_back(query);
    EXPECT_EQ(toMatrix(), expected);
    // No success message for the default EDID; the names follow the matrix.
    EXPECT_TRUE(view.messages.empty());
    EXPECT_FALSE(view.busyUp);
    EXPECT_FALSE(page->busy());
    EXPECT_EQ(page->operation(), EdidPage::Operation::NameRefresh);
    for (int input = 1; input <= 8; ++input)
        EXPECT_EQ(page->inputName(input), "1080p,Stereo Audio 2.0") << input;
    EXPECT_EQ(events.busy, std::vector<bool>{false});
}

TEST_P(EdidPageTest, ReadBackAfterAChangeIsResentOnceThenTimesOut) {
    start();
    page->selectSetMode(15);
    page->selectSetTarget(8);
    // The handshake and the command are answered, then the matrix falls silent.
    device.faults().dropReply = device.replyCount() + 3;
    device.faults().dropCount = 1000;
    page->clickSet();
    clock.advance(20);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received.back().second, f::nameQuery(1));
    const std::int64_t queryAt = received.back().first;
    EXPECT_TRUE(page->talking());
    // The first query is sent once more 5 s after it, "Time out!" comes 5 s later; nothing is
    // shown before.
    while (!view.messageUp && clock.nowMs() < queryAt + 20000)
        clock.advance(1);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Time out!"});
    EXPECT_EQ(clock.nowMs(), queryAt + 10000);
    ASSERT_EQ(received.size(), 4u);
    EXPECT_EQ(received.back().second, f::nameQuery(1));
    EXPECT_EQ(received.back().first, queryAt + 5000);
    received.clear();
    EXPECT_FALSE(page->talking());
    EXPECT_FALSE(page->busy());
    clock.advance(60000);
    EXPECT_TRUE(toMatrix().empty());
    EXPECT_FALSE(view.messageUp);
}

TEST_P(EdidPageTest, SetToOneInputNeedsTheInputInTheAcknowledgement) {
    start();
    page->selectSetMode(11); // "4K2K,HD Audio 7.1"
    page->selectSetTarget(2);
    device.faults().dropReply = device.replyCount() + 2; // only the handshake is answered
    device.faults().dropCount = 1000;
    page->clickSet();
    clock.advance(20);
    EXPECT_EQ(toMatrix(), (Frames{f::handshake, f::set4k71ToIn3}));
    feed(f::setOneAckIn4); // names IN4: not the answer
    EXPECT_TRUE(page->busy());
    EXPECT_TRUE(view.messages.empty());
    clock.advance(4985); // 5 s after the command: sent once more
    EXPECT_EQ(toMatrix(), (Frames{f::set4k71ToIn3}));
    EXPECT_TRUE(view.busyUp);
    clock.advance(4999);
    EXPECT_TRUE(view.messages.empty());
    clock.advance(1); // 10 s after the command
    EXPECT_EQ(view.messages, std::vector<std::string>{"Time out!"});
    EXPECT_FALSE(page->busy());
    EXPECT_FALSE(view.busyUp);
    EXPECT_EQ(events.busy, std::vector<bool>{false});
    clock.advance(1500);
    EXPECT_FALSE(view.messageUp);
    // A late acknowledgement starts nothing.
    feed(f::setOneAckIn3);
    clock.advance(100);
    EXPECT_TRUE(toMatrix().empty());
    EXPECT_EQ(view.messages.size(), 1u);
}

TEST_P(EdidPageTest, SetToOneInputReadsThatNameOnly) {
    start();
    page->selectSetMode(0);
    page->selectSetTarget(7);
    page->clickSet();
    clock.advance(100);
    EXPECT_EQ(toMatrix(), (Frames{f::handshake, f::set1080iStereoToIn8, f::nameQuery(8)}));
    EXPECT_EQ(view.messages, std::vector<std::string>{"Set successfully!"});
    EXPECT_EQ(page->inputName(8), "1080i,Stereo Audio 2.0");
    EXPECT_EQ(page->inputName(7), "1080p,Stereo Audio 2.0");
    EXPECT_EQ(page->operation(), EdidPage::Operation::Set);
    clock.advance(20000);
    EXPECT_TRUE(toMatrix().empty());
}

TEST_P(EdidPageTest, BuiltInToAllShowsSuccessAndRefreshes) {
    start();
    page->selectSetMode(14); // "DVI 1920X1200 "
    page->selectSetTarget(8);
    page->clickSet();
    clock.advance(100);
    Frames expected{f::handshake, f::setDvi1200ToAll};
    for (const Bytes& q : allNameQueries())
        expected.push_back(q);
    EXPECT_EQ(toMatrix(), expected);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Set successfully!"});
    for (int input = 1; input <= 8; ++input)
        EXPECT_EQ(page->inputName(input), "DVI 1920X1200");
}

TEST_P(EdidPageTest, NameTableCoversBuiltInsCopiesAndUserEdids) {
    start();
    const std::pair<std::uint8_t, const char*> cases[] = {{0x00, "1080i,Stereo Audio 2.0"},
                                                          {0x0F, "Copy HDMI OUT A"},
                                                          {0x16, "Copy HDMI OUT H"},
                                                          {0x17, "User define"},
                                                          {0xF0, "User define"},
                                                          {0x0C, "DVI 1024X768"},
                                                          {0x80, "User define"}};
    std::uint8_t input = 1;
    for (const auto& [index, name] : cases) {
        feed(f::nameAnswer(input, index));
        EXPECT_EQ(page->inputName(input), name) << int{index};
        input = static_cast<std::uint8_t>(input % 8 + 1);
    }
}

TEST_P(EdidPageTest, CopyFromAnOutputWithoutADisplayStopsAtTheCheck) {
    device.state().outputAttached[2] = false;
    start();
    page->selectCopySource(2);
    page->clickCopy();
    EXPECT_EQ(view.busy, "Copying . . .");
    EXPECT_TRUE(page->checkingOutput());
    clock.advance(100);
    EXPECT_EQ(toMatrix(), (Frames{f::outputCheckC}));
    EXPECT_EQ(view.messages, std::vector<std::string>{"HDMI OUT C is not connected!"});
    EXPECT_FALSE(view.busyUp);
    EXPECT_FALSE(page->checkingOutput());
    EXPECT_FALSE(page->busy());
    clock.advance(20000);
    EXPECT_TRUE(toMatrix().empty());
}

TEST_P(EdidPageTest, CopyToOneInputChecksTheOutputThenCopiesAndReadsTheName) {
    start();
    page->selectCopySource(1);
    page->selectCopyTarget(5);
    page->clickCopy();
    clock.advance(100);
    EXPECT_EQ(toMatrix(), (Frames{f::outputCheckB, f::handshake, f::copyBToIn6, f::nameQuery(6)}));
    EXPECT_EQ(view.messages, std::vector<std::string>{"Copy successfully!"});
    EXPECT_EQ(page->inputName(6), "Copy HDMI OUT B");
    EXPECT_FALSE(view.busyUp);
    // The main window is not told about a copy to one input.
    EXPECT_TRUE(events.busy.empty());
}

TEST_P(EdidPageTest, CopyFailureShowsCopyFailedAndReadsNothing) {
    start();
    page->selectCopySource(1);
    page->selectCopyTarget(5);
    device.faults().dropReply = device.replyCount() + 3; // the copy's own answer is lost
    device.faults().dropCount = 1000;
    page->clickCopy();
    clock.advance(50);
    feed(f::copyOneFailedIn6);
    clock.advance(100);
    EXPECT_EQ(toMatrix(), (Frames{f::outputCheckB, f::handshake, f::copyBToIn6}));
    EXPECT_EQ(view.messages, std::vector<std::string>{"Copy failed!"});
    EXPECT_FALSE(page->busy());
}

TEST_P(EdidPageTest, CopyCheckTimesOutWithoutAResend) {
    start();
    silenceMatrix();
    page->clickCopy();
    clock.advance(4999);
    EXPECT_TRUE(view.messages.empty());
    // Nothing else may start while the check is out.
    page->clickSet();
    page->clickStatus();
    page->clickDownload();
    EXPECT_EQ(view.messages, (std::vector<std::string>(3, "Please wait...")));
    clock.advance(1);
    EXPECT_EQ(toMatrix(), (Frames{f::outputCheckA}));
    EXPECT_EQ(view.message, "Please wait...");
    EXPECT_EQ(state.messageText, "Time out!");
    EXPECT_FALSE(page->checkingOutput());
    EXPECT_FALSE(view.busyUp);
}

TEST_P(EdidPageTest, StatusReadsAllNamesWithRetriesAndIsRefusedWhileBusy) {
    start();
    device.state().inputEdid[3] = 0x12; // IN4: copy of output D
    page->clickStatus();
    EXPECT_EQ(view.busy, "Getting status . . .");
    EXPECT_TRUE(page->busy());
    clock.advance(100);
    EXPECT_EQ(toMatrix(), allNameQueries());
    EXPECT_EQ(page->inputName(4), "Copy HDMI OUT D");
    EXPECT_FALSE(page->busy());
    EXPECT_FALSE(view.busyUp);

    // Query 3's answer is lost once: the query goes again 5 s later and the read goes on.
    device.faults().dropReply = device.replyCount() + 3;
    device.faults().dropCount = 1;
    page->clickStatus();
    clock.advance(100);
    EXPECT_EQ(toMatrix(), (Frames{f::nameQuery(1), f::nameQuery(2), f::nameQuery(3)}));
    EXPECT_TRUE(view.busyUp);
    clock.advance(5000);
    Frames rest{f::nameQuery(3), f::nameQuery(4), f::nameQuery(5),
                f::nameQuery(6), f::nameQuery(7), f::nameQuery(8)};
    EXPECT_EQ(toMatrix(), rest);
    EXPECT_FALSE(page->busy());
    EXPECT_TRUE(view.messages.empty());

    // No answer at all: "Time out!" 10 s after the first query.
    silenceMatrix();
    page->clickStatus();
    clock.advance(9999);
    EXPECT_EQ(toMatrix(), (Frames{f::nameQuery(1), f::nameQuery(1)}));
    EXPECT_TRUE(view.messages.empty());
    clock.advance(1);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Time out!"});
    EXPECT_FALSE(page->busy());
    EXPECT_FALSE(view.busyUp);
    EXPECT_TRUE(events.busy.empty());
    clock.advance(1500);

    // "Status" during a set is refused and leaves the set alone.
    page->clickSet();
    EXPECT_TRUE(page->busy());
    page->clickStatus();
    EXPECT_EQ(view.message, "Please wait...");
    EXPECT_EQ(page->operation(), EdidPage::Operation::Set);
}

TEST_P(EdidPageTest, BusyTextCyclesEveryHalfSecond) {
    start();
    silenceMatrix();
    page->clickSet();
    EXPECT_EQ(view.busy, "Setting . . .");
    std::vector<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        clock.advance(500);
        seen.push_back(view.busy);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"Setting .    ", "Setting . .  ", "Setting . . .",
                                              "Setting .    "}));
}

// Standby at each step of each request: everything stops, the message shows for 2.5 s, and no
// "Time out!" follows.
TEST_P(EdidPageTest, StandbyEndsEveryStep) {
    start();
    page->openFile(realFile("good/Digital_AOC2402_3EA18B594102.bin"));
    struct Case {
        const char* what;
        std::function<void()> click;
        int replyNumber; // the reply that the standby report replaces
    };
    const Case cases[] = {
        {"set handshake", [&] { page->clickSet(); }, 1},
        {"set command", [&] { page->clickSet(); }, 2},
        {"copy check", [&] { page->clickCopy(); }, 1},
        {"copy command", [&] { page->clickCopy(); }, 3},
        {"download request", [&] { page->clickDownload(); }, 2},
        {"download result", [&] { page->clickDownload(); }, 3},
        {"status query", [&] { page->clickStatus(); }, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view.messages.clear();
        device.faults().standbyBeforeReply = device.replyCount() + c.replyNumber;
        c.click();
        ASSERT_TRUE(advanceUntilMessage());
        EXPECT_EQ(view.messages, std::vector<std::string>{"Matrix is in standby mode!"});
        EXPECT_FALSE(page->busy());
        EXPECT_FALSE(page->checkingOutput());
        EXPECT_FALSE(view.busyUp);
        clock.advance(2499);
        EXPECT_TRUE(view.messageUp);
        clock.advance(1);
        EXPECT_FALSE(view.messageUp);
        received.clear();
        clock.advance(20000);
        EXPECT_TRUE(toMatrix().empty());
        EXPECT_EQ(view.messages.size(), 1u);
    }
}

TEST_P(EdidPageTest, SwitchCheckAsksForTheSwitchAndEndsTheRequest) {
    start();
    device.faults().edidSwitchWrong = true;
    page->clickSet();
    ASSERT_TRUE(advanceUntilMessage());
    EXPECT_EQ(toMatrix(), (Frames{f::handshake}));
    EXPECT_EQ(view.messages, std::vector<std::string>{"Please set the EDID to [1111]!"});
    EXPECT_FALSE(page->busy());
    EXPECT_FALSE(view.busyUp);
    EXPECT_EQ(events.busy, std::vector<bool>{false});
    clock.advance(2499);
    EXPECT_TRUE(view.messageUp);
    clock.advance(1);
    EXPECT_FALSE(view.messageUp);
    // No retry behind the message, and no "Time out!".
    clock.advance(20000);
    EXPECT_TRUE(toMatrix().empty());
    EXPECT_EQ(view.messages.size(), 1u);

    // At the other steps: the copy's check, a command, a status query.
    device.faults().edidSwitchWrong = false;
    silenceMatrix();
    for (auto click : {&EdidPage::clickCopy, &EdidPage::clickStatus, &EdidPage::clickSet}) {
        view.messages.clear();
        (page.get()->*click)();
        clock.advance(100);
        feed(f::switchCheckSet);
        EXPECT_EQ(view.messages, std::vector<std::string>{"Please set the EDID to [1111]!"});
        EXPECT_FALSE(page->busy());
        EXPECT_FALSE(page->checkingOutput());
        clock.advance(20000);
        EXPECT_EQ(view.messages.size(), 1u);
    }
}

TEST_P(EdidPageTest, SwitchCheckOtherwiseStartsTheRequestOver) {
    start();
    device.faults().edidSwitchCheckAt = 1; // the first handshake is answered 03 0B 00 00
    page->selectSetMode(0);
    page->selectSetTarget(7);
    page->clickSet();
    clock.advance(100);
    EXPECT_EQ(toMatrix(),
              (Frames{f::handshake, f::handshake, f::set1080iStereoToIn8, f::nameQuery(8)}));
    EXPECT_EQ(view.messages, std::vector<std::string>{"Set successfully!"});

    // A copy starts over from its output check.
    device.faults().edidSwitchCheckAt = 3;
    page->selectCopySource(1);
    page->selectCopyTarget(5);
    page->clickCopy();
    clock.advance(100);
    EXPECT_EQ(toMatrix(), (Frames{f::outputCheckB, f::handshake, f::outputCheckB, f::handshake,
                                  f::copyBToIn6, f::nameQuery(6)}));

    // With nothing running it is ignored.
    feed(f::switchCheckGoOn);
    clock.advance(100);
    EXPECT_TRUE(toMatrix().empty());
}

TEST_P(EdidPageTest, LinkDownRefusesEveryRequest) {
    createPage(); // COM mode, no port; or TCP without a connection
    if (GetParam() == ControlMode::Tcp)
        state.controlMode = ControlMode::Tcp;
    const std::string text =
        GetParam() == ControlMode::Tcp ? "Connect to Matrix failed!" : "Open COM failed!";
    page->clickSet();
    page->clickCopy();
    page->clickStatus();
    page->clickDownload();
    EXPECT_EQ(view.messages, (std::vector<std::string>(4, text)));
    EXPECT_EQ(page->operation(), EdidPage::Operation::Download);
    clock.advance(20000);
    EXPECT_TRUE(toMatrix().empty());
    EXPECT_FALSE(page->busy());
}

INSTANTIATE_TEST_SUITE_P(Links, EdidPageTest, ::testing::Values(ControlMode::Com, ControlMode::Tcp),
                         linkName);

// --- Page entry and the reply gate ---

TEST_F(EdidPageEntryTest, ComEntryNeedsTheGeneralPagesPort) {
    state.comPortNumber = 1;
    createPage();
    page->onShow();
    EXPECT_EQ(view.messages, std::vector<std::string>{"Open COM failed!"});
    clock.advance(1000);
    EXPECT_TRUE(toMatrix().empty());

    state.comLinkOpen = true;
    page->onShow();
    clock.advance(100);
    EXPECT_EQ(toMatrix(), allNameQueries());
    EXPECT_EQ(serial->settings().stopBits, 2);
}

TEST_F(EdidPageEntryTest, TcpGateDropsRepliesUntilTheFirstQueryIsOut) {
    start(ControlMode::Tcp);
    page->onSwitchedTo(); // the main window shows the page again
    EXPECT_TRUE(page->replyGate());
    feed(f::nameAnswer(2, 0x0F));
    EXPECT_EQ(page->inputName(2), "1080p,Stereo Audio 2.0");
    page->onShow();
    EXPECT_FALSE(page->replyGate());
    feed(f::nameAnswer(2, 0x0F));
    EXPECT_EQ(page->inputName(2), "Copy HDMI OUT A");
}

TEST_F(EdidPageEntryTest, TcpEntryWithTheConnectionDownSaysSo) {
    state.controlMode = ControlMode::Tcp;
    state.matrixIp = "127.0.0.1";
    createPage();
    page->onShow();
    EXPECT_EQ(view.messages, std::vector<std::string>{"Connect to Matrix failed!"});
}

TEST_F(EdidPageEntryTest, EntryDuringARequestLeavesItRunning) {
    start(ControlMode::Tcp);
    device.faults().delayReply = device.replyCount() + 2; // the set's acknowledgement is late
    device.faults().delayMs = 1000;
    page->selectSetTarget(8);
    page->clickSet();
    clock.advance(100);
    page->onSwitchedTo();
    page->onShow(); // the show routine runs again while the set waits
    clock.advance(2000);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Set successfully!"});
    EXPECT_FALSE(page->busy());
}

} // namespace
