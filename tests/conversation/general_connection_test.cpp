// The General page's connection controls against the in-process simulated matrix, in virtual time.
#include "RecordingDialogView.h"
#include "SerialLinkProbe.h"
#include "VirtualClock.h"
#include "core/app/Dialogs.h"
#include "core/app/Navigation.h"
#include "core/device/GeneralConnection.h"
#include "core/link/PageLink.h"

#include "InProcessMatrix.h"
#include "sim/device/MatrixDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace quorvane;
using Names = std::vector<std::string>;

namespace {

// The beep-state query as it appears on the wire.
const Frame BeepQuery{0xA5, 0x5B, 0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF4};

struct LastScreen : ConnectionView {
    void render(const ConnectionScreen& s) override {
        screen = s;
        ++renders;
    }
    ConnectionScreen screen;
    int renders = 0;
};

using MessageLog = quorvane::test::RecordingDialogView;

struct NoNavView : NavigationView {
    void markSelected(PageId) override {}
    void showPage(PageId) override {}
    void setPageButtonsEnabled(bool) override {}
};

// Ports that "exist", for the list tests that need more than the simulator's one port.
struct ScriptedProbe : PortProbe {
    bool canOpen(int n) override { return openable.count(n) != 0; }
    std::set<int> openable;
};

class GeneralConnectionTest : public ::testing::Test {
protected:
    explicit GeneralConnectionTest(PortProbe* probeOverride = nullptr)
        : probe(probeOverride ? *probeOverride : serialProbe) {
        serial->setByteHandler(
            [this](std::uint8_t byte, int port) { link.onSerialByte(byte, port); });
        timers->setHandler([this](int id) { connection.onTimer(id); });
        link.setTcpStateHandler([this] { connection.onTcpStateChanged(); });
        mainTimers->setHandler([this](int id) { navigation.onTimer(id); });
        navigation.setPage(connection);
        navigation.setForceComDisconnect([this] { connection.forceComDisconnect(); });
        matrix.setSerialFailureHandler([this] { navigation.serialFailure(); });
        connection.create();
    }

    const ConnectionScreen& screen() const { return view.screen; }
    bool deviceSaw(const Frame& frame) const {
        const auto& seen = device.framesSeen();
        return std::find(seen.begin(), seen.end(), frame) != seen.end();
    }
    void connectTcp(const std::string& address) {
        connection.chooseTcpMode();
        connection.editIpText(address);
        connection.clickTcpConnect();
    }

    VirtualClock clock;
    sim::MatrixDevice device;
    sim::InProcessMatrix matrix{device, clock};
    LinkState state;
    MessageLog messages;
    Dialogs dialogs{state, messages};
    std::unique_ptr<Timers> timers = clock.createTimers();
    std::unique_ptr<Timers> mainTimers = clock.createTimers();
    std::unique_ptr<sim::InProcessSerial> serial = matrix.createSerial();
    std::unique_ptr<sim::InProcessSerial> probePort = matrix.createSerial();
    SerialLinkProbe serialProbe{*probePort, SerialSettings{}};
    PortProbe& probe;
    PageLink link{state, *serial, matrix.tcp(), clock, GeneralConnection::LinkRules};
    LastScreen view;
    GeneralConnection connection{link, *timers, dialogs, probe, view};
    NoNavView navView;
    Navigation navigation{state, *mainTimers, dialogs, navView};
};

} // namespace

TEST_F(GeneralConnectionTest, StartsInComModeWithTheOpenablePortsListedAndNothingConnected) {
    EXPECT_EQ(screen().ports, Names{"COM1"});
    EXPECT_EQ(screen().selectedPort, 0);
    EXPECT_EQ(screen().mode, ControlMode::Com);
    EXPECT_TRUE(screen().comControlsEnabled);
    EXPECT_TRUE(screen().portListEnabled);
    EXPECT_FALSE(screen().tcpControlsEnabled);
    EXPECT_EQ(screen().comButtonText, "Connect");
    EXPECT_FALSE(screen().comIndicatorUp);
    EXPECT_FALSE(screen().tcpIndicatorUp);
    EXPECT_EQ(state.comPortNumber, 0);
    EXPECT_FALSE(state.comLinkOpen);
    // Probing keeps no port open: another program (here another port object) can take it.
    auto other = matrix.createSerial();
    EXPECT_TRUE(other->openPort(1, SerialSettings{}));
}

TEST_F(GeneralConnectionTest, PortListFollowsThePortsThatCanBeOpenedEvery500ms) {
    matrix.setComPortNumber(4);
    clock.advance(499);
    EXPECT_EQ(screen().ports, Names{"COM1"});
    clock.advance(1);
    EXPECT_EQ(screen().ports, Names{"COM4"});
    EXPECT_EQ(screen().selectedPort, 0);

    // A port held by someone else is not listed, and the list keeps polling.
    auto holder = matrix.createSerial();
    ASSERT_TRUE(holder->openPort(4, SerialSettings{}));
    clock.advance(500);
    EXPECT_TRUE(screen().ports.empty());
    EXPECT_EQ(screen().selectedPort, -1);
    holder->signalClose();
    clock.advance(500);
    EXPECT_EQ(screen().ports, Names{"COM4"});
}

TEST_F(GeneralConnectionTest, ComConnectAndDisconnect) {
    connection.clickComConnect();
    EXPECT_EQ(screen().comButtonText, "Disconnect");
    EXPECT_TRUE(screen().comIndicatorUp);
    EXPECT_FALSE(screen().portListEnabled);
    EXPECT_TRUE(state.comLinkOpen);
    EXPECT_EQ(state.comPortNumber, 1);
    EXPECT_EQ(serial->settings().stopBits, 2);
    EXPECT_FALSE(timers->isActive(GeneralConnection::PortRefreshTimer));
    clock.advance(50);
    EXPECT_TRUE(deviceSaw(BeepQuery));
    // The reply came back over the serial link into the page's receive log.
    EXPECT_EQ(link.receiveLog().text().substr(0, 12), "A5 5B 01 0B ");

    connection.clickComConnect();
    EXPECT_EQ(screen().comButtonText, "Connect");
    EXPECT_FALSE(screen().comIndicatorUp);
    EXPECT_TRUE(screen().portListEnabled);
    EXPECT_FALSE(state.comLinkOpen);
    EXPECT_FALSE(serial->isOpen());
    EXPECT_TRUE(timers->isActive(GeneralConnection::PortRefreshTimer));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(GeneralConnectionTest, APortTakenSinceTheLastRefreshFailsToOpen) {
    auto holder = matrix.createSerial();
    ASSERT_TRUE(holder->openPort(1, SerialSettings{}));
    connection.clickComConnect();
    EXPECT_EQ(messages.message, "Open COM failed!");
    EXPECT_FALSE(state.comLinkOpen);
    EXPECT_EQ(screen().comButtonText, "Connect");
    EXPECT_TRUE(timers->isActive(GeneralConnection::PortRefreshTimer));
    clock.advance(1499);
    EXPECT_TRUE(state.messageShown);
    clock.advance(1);
    EXPECT_FALSE(state.messageShown);
    // Meanwhile the refresh dropped the port from the list; a click now opens nothing.
    EXPECT_TRUE(screen().ports.empty());
    connection.clickComConnect();
    EXPECT_EQ(messages.messages, (Names{"Open COM failed!", "Open COM failed!"}));
}

TEST_F(GeneralConnectionTest, TcpConnectToATypedAddress) {
    connectTcp(" 127.0.0.1 ");
    EXPECT_EQ(state.matrixIp, "127.0.0.1");
    clock.advance(99);
    EXPECT_EQ(screen().tcpButtonText, "Connect");
    clock.advance(1);
    EXPECT_EQ(screen().tcpButtonText, "Disconnect");
    EXPECT_TRUE(screen().tcpIndicatorUp);
    EXPECT_TRUE(state.tcpConnected);
    EXPECT_TRUE(state.tcpLinkReady);
    clock.advance(50);
    EXPECT_TRUE(deviceSaw(BeepQuery));
    EXPECT_TRUE(messages.messages.empty());

    // Disconnect: the link is down at once and no late check reports a failure.
    connection.clickTcpConnect();
    EXPECT_FALSE(state.tcpConnected);
    EXPECT_FALSE(state.tcpLinkReady);
    EXPECT_FALSE(matrix.tcp().connected());
    EXPECT_EQ(screen().tcpButtonText, "Connect");
    EXPECT_FALSE(screen().tcpIndicatorUp);
    clock.advance(1000);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(GeneralConnectionTest, ATypedTextThatIsNotAnIpv4AddressConnectsNothing) {
    for (const char* text : {"localhost", "1.2.3", "256.1.1.1", "0.0.0.0", "127.0.0.1:8000"}) {
        connectTcp(text);
        EXPECT_EQ(messages.message, "Invalid IP address!") << text;
        EXPECT_FALSE(timers->isActive(GeneralConnection::TcpCheckTimer)) << text;
        clock.advance(1500);
    }
    EXPECT_EQ(matrix.tcp().connectCount(), 0);
    EXPECT_TRUE(state.matrixIp.empty());
    EXPECT_EQ(messages.messages.size(), 5u);
}

TEST_F(GeneralConnectionTest, RefusedOrEmptyConnectFailsAfter100msAndClosesIn1000ms) {
    for (const char* text : {"127.0.5.9", ""}) {
        messages.messages.clear();
        connectTcp(text);
        clock.advance(99);
        EXPECT_TRUE(messages.messages.empty()) << text;
        clock.advance(1);
        EXPECT_EQ(messages.messages, Names{"Connect to Matrix failed!"}) << text;
        EXPECT_FALSE(state.tcpLinkReady);
        EXPECT_FALSE(screen().tcpIndicatorUp);
        EXPECT_EQ(screen().tcpButtonText, "Connect");
        clock.advance(999);
        EXPECT_TRUE(state.messageShown);
        clock.advance(1);
        EXPECT_FALSE(state.messageShown);
    }
}

TEST_F(GeneralConnectionTest, ALateConnectIsReportedAsFailedAndAbandoned) {
    matrix.setConnectDelayMs(200);
    connectTcp("127.0.0.1");
    clock.advance(100);
    EXPECT_EQ(messages.messages, Names{"Connect to Matrix failed!"});
    clock.advance(400);
    // The red indicator tells the truth: no connection came up behind it.
    EXPECT_FALSE(state.tcpConnected);
    EXPECT_FALSE(matrix.tcp().connected());
    // So the next click connects rather than disconnects.
    matrix.setConnectDelayMs(1);
    connection.clickTcpConnect();
    clock.advance(100);
    EXPECT_TRUE(state.tcpLinkReady);
    EXPECT_EQ(screen().tcpButtonText, "Disconnect");
}

TEST_F(GeneralConnectionTest, TheMatrixClosingTheConnectionTurnsTheIndicatorRed) {
    device.faults().closeAfterReply = 1;
    connectTcp("127.0.0.1");
    clock.advance(100);
    ASSERT_TRUE(screen().tcpIndicatorUp);
    clock.advance(100); // the beep query is answered, then the matrix hangs up
    EXPECT_FALSE(state.tcpConnected);
    EXPECT_FALSE(screen().tcpIndicatorUp);
    EXPECT_EQ(screen().tcpButtonText, "Connect");
    // tcpLinkReady stays set, so a page switch still reconnects by itself.
    EXPECT_TRUE(state.tcpLinkReady);
    const int before = matrix.tcp().connectCount();
    connection.clickTcpConnect();
    EXPECT_EQ(matrix.tcp().connectCount(), before + 1);
}

TEST_F(GeneralConnectionTest, ModeButtonsNeitherConnectNorDisconnect) {
    connection.clickComConnect();
    connection.chooseTcpMode();
    EXPECT_EQ(state.controlMode, ControlMode::Tcp);
    EXPECT_TRUE(state.comLinkOpen);
    EXPECT_TRUE(serial->isOpen());
    EXPECT_FALSE(screen().comControlsEnabled);
    EXPECT_TRUE(screen().tcpControlsEnabled);
    connection.chooseComMode();
    EXPECT_EQ(state.controlMode, ControlMode::Com);
    EXPECT_TRUE(screen().comControlsEnabled);
    EXPECT_FALSE(screen().portListEnabled); // still connected
    EXPECT_FALSE(timers->isActive(GeneralConnection::PortRefreshTimer));
    EXPECT_FALSE(screen().tcpControlsEnabled);
}

TEST_F(GeneralConnectionTest, ShowRoutineReopensTheConnectedPortOrReportsTheLinkDown) {
    connection.generalPageOnShow();
    EXPECT_EQ(messages.message, "Open COM failed!");
    clock.advance(1500);

    connection.clickComConnect();
    // Another page had the port; the page comes back on show and opens it 150 ms later.
    connection.closeSerialPort();
    navigation.clickTab(PageId::General);
    ASSERT_FALSE(serial->isOpen());
    clock.advance(149);
    EXPECT_FALSE(serial->isOpen());
    clock.advance(1);
    EXPECT_TRUE(serial->isOpen());
    EXPECT_EQ(messages.messages.size(), 1u);

    // Someone else holds the port when the page comes back: reported, link state unchanged.
    connection.closeSerialPort();
    auto holder = matrix.createSerial();
    ASSERT_TRUE(holder->openPort(1, SerialSettings{}));
    connection.generalPageOnShow();
    EXPECT_EQ(messages.messages.size(), 2u);
    EXPECT_TRUE(state.comLinkOpen);

    connection.chooseTcpMode();
    clock.advance(1500);
    connection.generalPageOnShow();
    EXPECT_EQ(messages.message, "Connect to Matrix failed!");
}

TEST_F(GeneralConnectionTest, SerialHangUpClosesThePortAndPollingResumes) {
    device.faults().hangUpAfterReply = 1;
    connection.clickComConnect();
    ASSERT_TRUE(state.comLinkOpen);
    clock.advance(50); // the beep query is answered, then the line goes dead
    EXPECT_FALSE(state.comLinkOpen);
    EXPECT_FALSE(serial->isOpen());
    EXPECT_EQ(screen().comButtonText, "Connect");
    EXPECT_FALSE(screen().comIndicatorUp);
    EXPECT_TRUE(screen().portListEnabled);
    EXPECT_TRUE(timers->isActive(GeneralConnection::PortRefreshTimer));
    clock.advance(500);
    EXPECT_EQ(screen().ports, Names{"COM1"});
}

TEST_F(GeneralConnectionTest, ReceiveLogBreaksTheLineAfterEachCollectedFrame) {
    // Two bytes before the frame's start are logged but not counted towards the line break.
    const std::vector<std::uint8_t> stream{0x12, 0x34, 0xA5, 0x5B, 0x02, 0x01, 0x03, 0x00,
                                           0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF5};
    for (std::uint8_t byte : stream)
        link.onSerialByte(byte, 1);
    EXPECT_EQ(link.receiveLog().text(), "12 34 A5 5B 02 01 03 00 05 00 00 00 00 00 F5 \r\n");
}

TEST_F(GeneralConnectionTest, TcpDataIsDroppedWhileAnotherPageIsOnShow) {
    const Frame report{0xA5, 0x5B, 0x02, 0x01, 0x03, 0x00, 0x05,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0xF5};
    connectTcp("127.0.0.1");
    clock.advance(200);
    ASSERT_TRUE(state.tcpLinkReady);
    link.receiveLog().clear();
    // No EDID page takes the socket over, so it stays bound to the General page.
    navigation.clickTab(PageId::Edid);
    link.onTcpData(report.data(), report.size());
    EXPECT_EQ(link.receiveLog().text(), "");

    navigation.clickTab(PageId::General);
    clock.advance(200);
    link.onTcpData(report.data(), report.size());
    EXPECT_EQ(link.receiveLog().text(), "A5 5B 02 01 03 00 05 00 00 00 00 00 F5 \r\n");
}

namespace {
class PortListTest : public GeneralConnectionTest {
protected:
    PortListTest() : GeneralConnectionTest(&scripted()) {}
    static ScriptedProbe& scripted() {
        static ScriptedProbe probe;
        probe.openable = {7, 2, 12};
        return probe;
    }
};
} // namespace

TEST_F(PortListTest, SelectionSurvivesRefreshesWhileThePortCanBeOpened) {
    EXPECT_EQ(screen().ports, (Names{"COM2", "COM7", "COM12"}));
    connection.selectPort(2);
    scripted().openable = {2, 12, 19};
    clock.advance(500);
    EXPECT_EQ(screen().ports, (Names{"COM2", "COM12", "COM19"}));
    EXPECT_EQ(screen().selectedPort, 1);
    scripted().openable = {3, 19};
    clock.advance(500);
    EXPECT_EQ(screen().selectedPort, 0);
    EXPECT_EQ(screen().ports, (Names{"COM3", "COM19"}));
    connection.selectPort(5); // out of range: ignored
    EXPECT_EQ(screen().selectedPort, 0);
}

TEST_F(PortListTest, ThePortRememberedFromTheLastRunIsChosenWhenItIsListedUntilTheUserChooses) {
    scripted().openable = {2, 7, 12};
    connection.preferPort("COM12");
    EXPECT_EQ(screen().selectedPort, 2);
    // An adapter unplugged and plugged again: chosen again as soon as it is back, without waiting
    // for the next poll when the plug is noticed.
    scripted().openable = {2, 7};
    connection.devicesChanged();
    EXPECT_EQ(screen().selectedPort, 0);
    scripted().openable = {2, 7, 12};
    connection.devicesChanged();
    EXPECT_EQ(screen().selectedPort, 2);
    // The user's own choice wins from then on.
    connection.selectPort(1);
    scripted().openable = {2, 12};
    clock.advance(500);
    scripted().openable = {2, 7, 12};
    clock.advance(500);
    EXPECT_EQ(screen().ports[screen().selectedPort], "COM2");
}
