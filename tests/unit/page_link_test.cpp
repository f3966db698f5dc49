// A page's link: sending by control mode with the send-log echo, and the receive paths with each
// page's logging rules.
#include "LiteralFrames.h"
#include "VirtualClock.h"
#include "core/link/PageLink.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quorvane;

namespace {
using Bytes = std::vector<std::uint8_t>;

struct RecordingSerial : SerialLink {
    bool open = false;
    Bytes written;
    bool openPort(int, const SerialSettings&) override { return open = true; }
    bool startWorker() override { return open; }
    void writeBytes(const std::uint8_t* d, std::size_t n) override {
        written.insert(written.end(), d, d + n);
    }
    void signalClose() override { open = false; }
    bool isOpen() const override { return open; }
};

struct RecordingTcp : TcpLink {
    TcpReceiver* receiver = nullptr;
    std::string ip;
    Bytes sent;
    void connectMatrix(TcpReceiver& r, const std::string& address) override {
        receiver = &r;
        ip = address;
    }
    void send(const std::uint8_t* d, std::size_t n) override { sent.insert(sent.end(), d, d + n); }
    void close() override {}
    void forget(TcpReceiver& r) override {
        if (receiver == &r)
            receiver = nullptr;
    }
};

struct Received {
    Frame frame;
    bool intact;
    Transport transport;
};

struct Fixture : ::testing::Test {
    LinkState state;
    RecordingSerial serial;
    RecordingTcp tcp;
    VirtualClock clock;
    std::vector<Received> received;

    std::unique_ptr<PageLink> makeLink(PageLink::Rules rules) {
        auto link = std::make_unique<PageLink>(state, serial, tcp, clock, rules);
        link->setFrameHandler([this](const Frame& f, bool intact, Transport t) {
            received.push_back({f, intact, t});
        });
        return link;
    }
    void feedSerial(PageLink& link, const Bytes& bytes) {
        for (std::uint8_t b : bytes) {
            clock.advance(1);
            link.onSerialByte(b, 1);
        }
    }
};

const Bytes& reportC5 = quorvane::test::reportOutput3Input5;
} // namespace

TEST_F(Fixture, SendFollowsControlModeAndEchoesOneLinePerFrame) {
    auto link = makeLink({});
    link->send(cmd::beepStateQuery);
    const Bytes& beep = quorvane::test::beepQuery;
    EXPECT_EQ(serial.written, beep);
    EXPECT_TRUE(tcp.sent.empty());
    EXPECT_EQ(link->sendLog().text(), "A5 5B 01 0B 00 00 00 00 00 00 00 00 F4 \r\n");

    state.controlMode = ControlMode::Tcp;
    link->send(cmd::routeInput(3, 2));
    EXPECT_EQ(tcp.sent, quorvane::test::routeInput3ToOutput2);
    EXPECT_EQ(serial.written.size(), 13u);
    EXPECT_EQ(link->sendLog().text(), "A5 5B 01 0B 00 00 00 00 00 00 00 00 F4 \r\n"
                                      "A5 5B 02 03 03 00 02 00 00 00 00 00 F6 \r\n");
}

TEST_F(Fixture, SerialLogCountsCollectedBytesOnly) {
    // The Matrix and General pages break the line after 13 collected bytes.
    auto link = makeLink({SerialLogCount::CollectedBytes, TcpLogStyle::EveryByte});
    Bytes stream = {0x12, 0x34};
    stream.insert(stream.end(), reportC5.begin(), reportC5.end());
    feedSerial(*link, stream);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].transport, Transport::Serial);
    EXPECT_TRUE(received[0].intact);
    EXPECT_EQ(link->receiveLog().text(), "12 34 A5 5B 02 01 03 00 05 00 00 00 00 00 F5 \r\n");
}

TEST_F(Fixture, SerialLogCountsEveryByteOnTheEdidPage) {
    auto link = makeLink({SerialLogCount::EveryByte, TcpLogStyle::FramePerLine});
    Bytes stream = {0x12, 0x34};
    stream.insert(stream.end(), reportC5.begin(), reportC5.end());
    feedSerial(*link, stream);
    EXPECT_EQ(link->receiveLog().text(), "12 34 A5 5B 02 01 03 00 05 00 00 00 00 \r\n00 F5 ");
}

TEST_F(Fixture, SerialBytesIgnoredInTcpModeAndBadPortRefused) {
    auto link = makeLink({});
    EXPECT_EQ(link->onSerialByte(0xA5, 0), -1);
    EXPECT_EQ(link->onSerialByte(0xA5, 256), -1);
    state.controlMode = ControlMode::Tcp;
    for (std::uint8_t b : reportC5)
        EXPECT_EQ(link->onSerialByte(b, 1), 0);
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(link->receiveLog().text(), "");
}

TEST_F(Fixture, TcpFramesAllDeliveredAndLoggedByPageRule) {
    state.controlMode = ControlMode::Tcp;
    auto perFrame = makeLink({SerialLogCount::CollectedBytes, TcpLogStyle::FramePerLine});
    Bytes two = reportC5;
    two.insert(two.end(), reportC5.begin(), reportC5.end());
    two.push_back(0xA5);
    perFrame->onTcpData(two.data(), two.size());
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].transport, Transport::Tcp);
    EXPECT_EQ(perFrame->receiveLog().text(), "A5 5B 02 01 03 00 05 00 00 00 00 00 F5 \r\n"
                                             "A5 5B 02 01 03 00 05 00 00 00 00 00 F5 \r\n");

    received.clear();
    auto everyByte = makeLink({SerialLogCount::CollectedBytes, TcpLogStyle::EveryByte});
    everyByte->onTcpData(reportC5.data(), 5);
    everyByte->onTcpData(reportC5.data() + 5, 8);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(everyByte->receiveLog().text(), "A5 5B 02 01 03 00 05 00 00 00 00 00 F5 \r\n");
}

TEST_F(Fixture, TcpGateDropsDataUnlogged) {
    state.controlMode = ControlMode::Tcp;
    auto link = makeLink({SerialLogCount::CollectedBytes, TcpLogStyle::EveryByte});
    bool open = false;
    link->setTcpGate([&] { return open; });
    link->onTcpData(reportC5.data(), reportC5.size());
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(link->receiveLog().text(), "");
    open = true;
    link->onTcpData(reportC5.data(), reportC5.size());
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(Fixture, ConnectMatrixForgetsPartialFrameAndTracksConnection) {
    state.controlMode = ControlMode::Tcp;
    state.matrixIp = "127.0.0.1";
    auto link = makeLink({});
    link->connectMatrix();
    EXPECT_EQ(tcp.receiver, link.get());
    EXPECT_EQ(tcp.ip, "127.0.0.1");
    link->onTcpConnected(111);
    EXPECT_FALSE(state.tcpConnected);
    link->onTcpConnected(0);
    EXPECT_TRUE(state.tcpConnected);

    link->onTcpData(reportC5.data(), 6); // a partial frame of the old connection
    link->connectMatrix();
    EXPECT_FALSE(state.tcpConnected);
    link->onTcpData(reportC5.data() + 6, 7);
    EXPECT_TRUE(received.empty());
    link->onTcpData(reportC5.data(), reportC5.size());
    EXPECT_EQ(received.size(), 1u);

    link->onTcpClosed();
    EXPECT_FALSE(state.tcpConnected);
    link.reset();
    EXPECT_EQ(tcp.receiver, nullptr);
}
