// The simulated matrix wired to real PageLinks in virtual time: both links answer, the serial port
// is exclusive, traffic of a closed port or an old connection is lost, and fault switches show up
// at the page.
#include "InProcessMatrix.h"
#include "sim/device/MatrixDevice.h"

#include "VirtualClock.h"
#include "core/app/LinkState.h"
#include "core/link/Commands.h"
#include "core/link/PageLink.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quorvane;
using namespace quorvane::sim;

namespace {

const Frame BeepOnAnswer{0xA5, 0x5B, 0x01, 0x0B, 0, 0, 0x0F, 0, 0, 0, 0, 0, 0xE5};
const Frame RouteAckOut2{0xA5, 0x5B, 0x02, 0x03, 0x00, 0, 0x02, 0, 0, 0, 0, 0, 0xF9};
const Frame StandbyReport{0xA5, 0x5B, 0x88, 0x88, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0};

struct Received {
    Frame frame;
    bool intact;
    Transport transport;
};

// One page's link to the matrix, recording every frame it is handed.
struct Page {
    Page(LinkState& state, InProcessMatrix& matrix, VirtualClock& clock)
        : serial(matrix.createSerial()),
          link(state, *serial, matrix.tcp(), clock, PageLink::Rules{}) {
        serial->setByteHandler([this](std::uint8_t b, int port) { link.onSerialByte(b, port); });
        link.setFrameHandler([this](const Frame& f, bool intact, Transport t) {
            frames.push_back({f, intact, t});
        });
    }
    std::unique_ptr<InProcessSerial> serial;
    PageLink link;
    std::vector<Received> frames;
};

// Records the TCP notifications as they come, one data call per entry.
struct RecordingReceiver : TcpReceiver {
    void onTcpConnected(int error) override { connects.push_back(error); }
    void onTcpData(const std::uint8_t* data, std::size_t size) override {
        reads.emplace_back(data, data + size);
    }
    void onTcpClosed() override { ++closes; }
    std::vector<int> connects;
    std::vector<std::vector<std::uint8_t>> reads;
    int closes = 0;
};

class InProcessLinks : public ::testing::Test {
protected:
    VirtualClock clock;
    MatrixDevice device;
    InProcessMatrix matrix{device, clock};
    LinkState state;
    SerialSettings settings;

    void useTcp() {
        state.controlMode = ControlMode::Tcp;
        state.matrixIp = "127.0.0.1";
    }
};

} // namespace

TEST_F(InProcessLinks, BeepQueryIsAnsweredOverSerialAfterTheReplyLatency) {
    Page page(state, matrix, clock);
    ASSERT_TRUE(page.link.openSerial(1, settings));
    page.link.send(cmd::beepStateQuery);
    clock.advance(4);
    EXPECT_TRUE(page.frames.empty());
    clock.advance(1);
    ASSERT_EQ(page.frames.size(), 1u);
    EXPECT_EQ(page.frames[0].frame, BeepOnAnswer);
    EXPECT_TRUE(page.frames[0].intact);
    EXPECT_EQ(page.frames[0].transport, Transport::Serial);
    EXPECT_EQ(page.link.receiveLog().text(), "A5 5B 01 0B 00 00 0F 00 00 00 00 00 E5 \r\n");
}

TEST_F(InProcessLinks, SerialPortIsHeldByOneObjectAtATime) {
    Page first(state, matrix, clock);
    Page second(state, matrix, clock);
    EXPECT_FALSE(first.link.openSerial(2, settings)); // the matrix answers on COM1 only
    ASSERT_TRUE(first.link.openSerial(1, settings));
    EXPECT_FALSE(second.link.openSerial(1, settings));

    // A reply on its way when the port closes is lost, also for the next holder.
    first.link.send(cmd::beepStateQuery);
    first.link.closeSerial();
    ASSERT_TRUE(second.link.openSerial(1, settings));
    clock.advance(20);
    EXPECT_TRUE(first.frames.empty());
    EXPECT_TRUE(second.frames.empty());

    second.link.send(cmd::routeInput(3, 2));
    clock.advance(20);
    ASSERT_EQ(second.frames.size(), 1u);
    EXPECT_EQ(second.frames[0].frame, RouteAckOut2);
    EXPECT_EQ(device.state().routing[1], 3);

    // Destroying the holder releases the port.
    second.serial.reset();
    EXPECT_TRUE(first.link.openSerial(1, settings));
}

TEST_F(InProcessLinks, SerialFaultsReachThePage) {
    int failures = 0;
    matrix.setSerialFailureHandler([&] { ++failures; });
    Page page(state, matrix, clock);
    ASSERT_TRUE(page.link.openSerial(1, settings));
    device.faults().dropReply = 1;
    device.faults().corruptReply = 2;
    device.faults().hangUpAfterReply = 3;

    page.link.send(cmd::beepStateQuery);
    clock.advance(50);
    EXPECT_TRUE(page.frames.empty());

    page.link.send(cmd::beepStateQuery);
    clock.advance(50);
    ASSERT_EQ(page.frames.size(), 1u);
    EXPECT_FALSE(page.frames[0].intact);

    page.link.send(cmd::beepStateQuery);
    clock.advance(50);
    EXPECT_EQ(page.frames.size(), 2u);
    EXPECT_EQ(failures, 1);
    // The line is dead until the port is opened again.
    page.link.send(cmd::beepStateQuery);
    clock.advance(50);
    EXPECT_EQ(page.frames.size(), 2u);
    page.link.closeSerial();
    ASSERT_TRUE(page.link.openSerial(1, settings));
    page.link.send(cmd::beepStateQuery);
    clock.advance(50);
    ASSERT_EQ(page.frames.size(), 3u);
    EXPECT_EQ(page.frames[2].frame, BeepOnAnswer);
    EXPECT_EQ(failures, 1);
}

TEST_F(InProcessLinks, BeepQueryIsAnsweredOverTcpAndOtherAddressesAreRefused) {
    useTcp();
    Page page(state, matrix, clock);
    state.matrixIp = "127.0.0.2";
    page.link.connectMatrix();
    clock.advance(50);
    EXPECT_FALSE(state.tcpConnected);
    page.link.send(cmd::beepStateQuery);
    clock.advance(50);
    EXPECT_TRUE(page.frames.empty());

    state.matrixIp = "127.0.0.1";
    page.link.connectMatrix();
    EXPECT_FALSE(state.tcpConnected); // never at once
    clock.advance(1);
    EXPECT_TRUE(state.tcpConnected);
    page.link.send(cmd::beepStateQuery);
    clock.advance(5);
    ASSERT_EQ(page.frames.size(), 1u);
    EXPECT_EQ(page.frames[0].frame, BeepOnAnswer);
    EXPECT_EQ(page.frames[0].transport, Transport::Tcp);
}

TEST_F(InProcessLinks, SlowConnectCompletesAfterAnEarlyCheck) {
    useTcp();
    matrix.setConnectDelayMs(200);
    Page page(state, matrix, clock);
    page.link.connectMatrix();
    clock.advance(150);
    EXPECT_FALSE(state.tcpConnected);
    clock.advance(50);
    EXPECT_TRUE(state.tcpConnected);
}

TEST_F(InProcessLinks, TcpSplitMergeAndCloseFaultsShapeTheReads) {
    RecordingReceiver receiver;
    InProcessTcp& tcp = matrix.tcp();
    tcp.connectMatrix(receiver, "127.0.0.1");
    clock.advance(1);
    ASSERT_EQ(receiver.connects, (std::vector<int>{0}));

    device.faults().splitReply = 1;
    device.faults().splitAt = 5;
    device.faults().mergeReply = 2;
    device.faults().closeAfterReply = 3;
    const Frame beep = buildFrame(cmd::beepStateQuery);
    const Frame route = buildFrame(cmd::routeInput(3, 2));

    tcp.send(beep.data(), beep.size());
    clock.advance(10);
    ASSERT_EQ(receiver.reads.size(), 2u);
    EXPECT_EQ(receiver.reads[0],
              std::vector<std::uint8_t>(BeepOnAnswer.begin(), BeepOnAnswer.begin() + 5));
    EXPECT_EQ(receiver.reads[1],
              std::vector<std::uint8_t>(BeepOnAnswer.begin() + 5, BeepOnAnswer.end()));

    tcp.send(route.data(), route.size());
    clock.advance(10);
    EXPECT_EQ(receiver.reads.size(), 2u);
    tcp.send(beep.data(), beep.size());
    clock.advance(10);
    ASSERT_EQ(receiver.reads.size(), 3u);
    std::vector<std::uint8_t> both(RouteAckOut2.begin(), RouteAckOut2.end());
    both.insert(both.end(), BeepOnAnswer.begin(), BeepOnAnswer.end());
    EXPECT_EQ(receiver.reads[2], both);
    EXPECT_EQ(receiver.closes, 1);
    EXPECT_FALSE(tcp.connected());
    tcp.send(beep.data(), beep.size());
    clock.advance(10);
    EXPECT_EQ(receiver.reads.size(), 3u);
}

TEST_F(InProcessLinks, ReconnectOrCloseDropsWhatWasOnItsWay) {
    RecordingReceiver first;
    RecordingReceiver second;
    InProcessTcp& tcp = matrix.tcp();
    const Frame beep = buildFrame(cmd::beepStateQuery);
    tcp.connectMatrix(first, "127.0.0.1");
    clock.advance(1);
    tcp.send(beep.data(), beep.size());
    tcp.connectMatrix(second, "127.0.0.1");
    clock.advance(20);
    EXPECT_TRUE(first.reads.empty());
    EXPECT_TRUE(second.reads.empty());
    EXPECT_EQ(second.connects, (std::vector<int>{0}));

    // A partial frame sent on the old connection does not combine with the new one's bytes.
    tcp.send(beep.data(), 6);
    tcp.close();
    EXPECT_FALSE(tcp.connected());
    tcp.connectMatrix(second, "127.0.0.1");
    clock.advance(1);
    tcp.send(beep.data() + 6, beep.size() - 6);
    tcp.send(beep.data(), beep.size());
    clock.advance(20);
    ASSERT_EQ(second.reads.size(), 1u);
    EXPECT_EQ(second.reads[0], std::vector<std::uint8_t>(BeepOnAnswer.begin(), BeepOnAnswer.end()));
    EXPECT_EQ(second.closes, 0);

    // A receiver that went away gets nothing more.
    tcp.send(beep.data(), beep.size());
    tcp.forget(second);
    clock.advance(20);
    EXPECT_EQ(second.reads.size(), 1u);
}

TEST_F(InProcessLinks, StandbyReportReachesWhoeverHoldsEachLink) {
    Page serialPage(state, matrix, clock);
    ASSERT_TRUE(serialPage.link.openSerial(1, settings));
    RecordingReceiver receiver;
    matrix.tcp().connectMatrix(receiver, "127.0.0.1");
    clock.advance(1);

    matrix.sendStandbyReport(LinkKind::Serial);
    matrix.sendStandbyReport(LinkKind::Tcp);
    clock.advance(10);
    ASSERT_EQ(serialPage.frames.size(), 1u);
    EXPECT_EQ(serialPage.frames[0].frame, StandbyReport);
    ASSERT_EQ(receiver.reads.size(), 1u);
    EXPECT_EQ(receiver.reads[0],
              std::vector<std::uint8_t>(StandbyReport.begin(), StandbyReport.end()));
    EXPECT_EQ(device.replyCount(), 0);
}
