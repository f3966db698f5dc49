// The shared TCP socket on loopback, driven through real page links: connect results, reassembly of
// frames split or merged by TCP, remote close, reconnects and which page hears the socket.
// Every test case uses its own address in 127.0.2.0/24 and port 8000.
#include "FakeSerialLink.h"
#include "VirtualClock.h"
#include "core/link/PageLink.h"
#include "platform/link/MatrixSocket.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "Eventually.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

using namespace quorvane;

namespace {
using Bytes = std::vector<std::uint8_t>;

constexpr int WaitMs = 5000;

// Frames of the matrix protocol: the beep-state query, a routing reply and a routing command.
const Bytes beepQuery = {0xA5, 0x5B, 0x01, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0xF4};
const Bytes routeReply = {0xA5, 0x5B, 0x02, 0x03, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0, 0xFA};
const Bytes routeCommand = {0xA5, 0x5B, 0x02, 0x03, 0x03, 0x00, 0x02, 0, 0, 0, 0, 0, 0xF6};

// What one receiver heard from the socket, in order.
struct Heard {
    std::vector<int> connectResults;
    std::vector<std::size_t> dataSizes;
    int closes = 0;
    bool any() const { return !connectResults.empty() || !dataSizes.empty() || closes != 0; }
};

// Stands between the real socket and a page: records each notification, then passes it on. The
// socket sees one distinct receiver per page, so routing between pages is still its own.
struct Tap : TcpReceiver {
    explicit Tap(TcpReceiver& target) : page(target) {}
    void onTcpConnected(int error) override {
        heard.connectResults.push_back(error);
        page.onTcpConnected(error);
    }
    void onTcpData(const std::uint8_t* data, std::size_t size) override {
        heard.dataSizes.push_back(size);
        page.onTcpData(data, size);
    }
    void onTcpClosed() override {
        ++heard.closes;
        page.onTcpClosed();
    }
    TcpReceiver& page;
    Heard heard;
};

class TappedSocket : public TcpLink {
public:
    void connectMatrix(TcpReceiver& receiver, const std::string& ip) override {
        socket.connectMatrix(tapOf(receiver), ip);
    }
    void send(const std::uint8_t* data, std::size_t size) override { socket.send(data, size); }
    void close() override { socket.close(); }
    void forget(TcpReceiver& receiver) override { socket.forget(tapOf(receiver)); }

    Tap& tapOf(TcpReceiver& receiver) {
        auto& tap = taps[&receiver];
        if (!tap)
            tap = std::make_unique<Tap>(receiver);
        return *tap;
    }
    const Heard& heardBy(TcpReceiver& receiver) { return tapOf(receiver).heard; }

    MatrixSocket socket;

private:
    std::map<TcpReceiver*, std::unique_ptr<Tap>> taps;
};

// A page: its link and every frame its handler was given.
struct Page {
    Page(LinkState& state, TcpLink& tcp, const Clock& clock) : link(state, serial, tcp, clock, {}) {
        link.setFrameHandler([this](const Frame& frame, bool, Transport transport) {
            EXPECT_EQ(transport, Transport::Tcp);
            frames.emplace_back(frame.begin(), frame.end());
        });
    }
    FakeSerialLink serial;
    PageLink link;
    std::vector<Bytes> frames;
};

// The matrix end: a listening server on one loopback address.
struct Matrix {
    explicit Matrix(const char* address) {
        listening = server.listen(QHostAddress(QString::fromLatin1(address)), MatrixTcpPort);
    }
    // The next connection the program made, or null after `waitMs`.
    QTcpSocket* accept(int waitMs = WaitMs) {
        if (!QTest::qWaitFor([this] { return server.hasPendingConnections(); }, waitMs))
            return nullptr;
        return server.nextPendingConnection();
    }
    static void write(QTcpSocket* peer, const Bytes& bytes) {
        peer->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        peer->flush();
    }
    QTcpServer server;
    bool listening = false;
};

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct TcpLinkTest : ::testing::Test {
    LinkState state;
    VirtualClock clock;
    TappedSocket tcp;

    void SetUp() override { state.controlMode = ControlMode::Tcp; }

    // Connects `page` to the matrix at `address` and returns the server side of the connection.
    QTcpSocket* connectPage(Page& page, Matrix& matrix, const char* address) {
        state.matrixIp = address;
        page.link.connectMatrix();
        QTcpSocket* peer = matrix.accept();
        if (peer && !QTest::qWaitFor([this] { return state.tcpConnected; }, WaitMs))
            return nullptr;
        return peer;
    }
};

TEST_F(TcpLinkTest, RefusedConnectionLeavesTheLinkDown) {
    Page page(state, tcp, clock);
    state.matrixIp = "127.0.2.1"; // nothing listens here
    page.link.connectMatrix();
    const Heard& heard = tcp.heardBy(page.link);
    WAIT_FOR(!heard.connectResults.empty(), WaitMs);
    ASSERT_EQ(heard.connectResults.size(), 1u);
    EXPECT_NE(heard.connectResults[0], 0);
    EXPECT_FALSE(state.tcpConnected);
}

TEST_F(TcpLinkTest, FramesSplitOrMergedByTcpReachThePageInOrder) {
    Matrix matrix("127.0.2.2");
    ASSERT_TRUE(matrix.listening);
    Page page(state, tcp, clock);
    QTcpSocket* peer = connectPage(page, matrix, "127.0.2.2");
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(tcp.heardBy(page.link).connectResults, std::vector<int>{0});

    // Sending: exactly the 13 bytes of the frame, on the socket, not the serial port.
    page.link.send(cmd::beepStateQuery);
    WAIT_FOR_EQ(peer->bytesAvailable(), qint64{13}, WaitMs);
    const QByteArray sent = peer->readAll();
    EXPECT_EQ(Bytes(sent.begin(), sent.end()), beepQuery);
    EXPECT_TRUE(page.serial.written().empty());

    // 5 bytes, then the other 8: one frame after the second read.
    Matrix::write(peer, Bytes(routeReply.begin(), routeReply.begin() + 5));
    WAIT_FOR(!tcp.heardBy(page.link).dataSizes.empty(), WaitMs);
    EXPECT_TRUE(page.frames.empty());
    Matrix::write(peer, Bytes(routeReply.begin() + 5, routeReply.end()));
    WAIT_FOR_EQ(page.frames.size(), std::size_t{1}, WaitMs);
    EXPECT_EQ(page.frames[0], routeReply);

    // Two frames in one write: both, in order.
    Matrix::write(peer, concat({routeCommand, beepQuery}));
    WAIT_FOR_EQ(page.frames.size(), std::size_t{3}, WaitMs);
    EXPECT_EQ(page.frames[1], routeCommand);
    EXPECT_EQ(page.frames[2], beepQuery);
}

TEST_F(TcpLinkTest, ALargeBurstIsReadInChunksAndNothingIsLost) {
    Matrix matrix("127.0.2.3");
    ASSERT_TRUE(matrix.listening);
    Page page(state, tcp, clock);
    QTcpSocket* peer = connectPage(page, matrix, "127.0.2.3");
    ASSERT_NE(peer, nullptr);

    // 160 frames (2080 bytes) in one write, alternating two frames so order is visible.
    Bytes burst;
    for (int i = 0; i < 80; ++i)
        burst = concat({burst, routeReply, routeCommand});
    Matrix::write(peer, burst);
    WAIT_FOR_EQ(page.frames.size(), std::size_t{160}, WaitMs);
    for (std::size_t i = 0; i < page.frames.size(); ++i)
        ASSERT_EQ(page.frames[i], i % 2 == 0 ? routeReply : routeCommand) << "frame " << i;
    for (std::size_t size : tcp.heardBy(page.link).dataSizes)
        EXPECT_LE(size, 1024u);
}

TEST_F(TcpLinkTest, RemoteCloseDeliversPendingDataThenClearsTheLink) {
    Matrix matrix("127.0.2.4");
    ASSERT_TRUE(matrix.listening);
    Page page(state, tcp, clock);
    QTcpSocket* peer = connectPage(page, matrix, "127.0.2.4");
    ASSERT_NE(peer, nullptr);

    Matrix::write(peer, routeReply);
    peer->disconnectFromHost();
    WAIT_FOR(!state.tcpConnected, WaitMs);
    ASSERT_EQ(page.frames.size(), 1u);
    EXPECT_EQ(page.frames[0], routeReply);
    settleEvents();
    EXPECT_EQ(tcp.heardBy(page.link).closes, 1);
}

TEST_F(TcpLinkTest, ReconnectForgetsTheOldConnectionAndItsPartialFrame) {
    Matrix matrix("127.0.2.5");
    ASSERT_TRUE(matrix.listening);
    Page page(state, tcp, clock);
    QTcpSocket* oldPeer = connectPage(page, matrix, "127.0.2.5");
    ASSERT_NE(oldPeer, nullptr);
    Matrix::write(oldPeer, Bytes(routeCommand.begin(), routeCommand.begin() + 5));
    WAIT_FOR(!tcp.heardBy(page.link).dataSizes.empty(), WaitMs);

    QTcpSocket* newPeer = connectPage(page, matrix, "127.0.2.5");
    ASSERT_NE(newPeer, nullptr);
    // The old connection is thrown away, and what it still sends reaches no one.
    WAIT_FOR_EQ(oldPeer->state(), QAbstractSocket::UnconnectedState, WaitMs);
    Matrix::write(oldPeer, Bytes(routeCommand.begin() + 5, routeCommand.end()));

    // The new connection's frame arrives whole, not glued onto the old partial one.
    Matrix::write(newPeer, routeReply);
    WAIT_FOR_EQ(page.frames.size(), std::size_t{1}, WaitMs);
    EXPECT_EQ(page.frames[0], routeReply);
    settleEvents();
    EXPECT_EQ(page.frames.size(), 1u);
    EXPECT_EQ(tcp.heardBy(page.link).closes, 0);
    EXPECT_TRUE(state.tcpConnected);
}

TEST_F(TcpLinkTest, OnlyThePageThatConnectedLastHearsTheSocket) {
    Matrix matrix("127.0.2.6");
    ASSERT_TRUE(matrix.listening);
    Page general(state, tcp, clock);
    Page edid(state, tcp, clock);

    // The General page starts a connect, and the EDID page replaces it before it completes.
    state.matrixIp = "127.0.2.6";
    general.link.connectMatrix();
    edid.link.connectMatrix();
    WAIT_FOR(state.tcpConnected, WaitMs);
    EXPECT_EQ(tcp.heardBy(edid.link).connectResults, std::vector<int>{0});

    // The matrix may have seen both connects; it answers and then closes on each of them.
    std::vector<QTcpSocket*> peers;
    while (QTcpSocket* peer = matrix.accept(200))
        peers.push_back(peer);
    ASSERT_FALSE(peers.empty());
    for (QTcpSocket* peer : peers)
        Matrix::write(peer, routeReply);
    WAIT_FOR_EQ(edid.frames.size(), std::size_t{1}, WaitMs);
    for (QTcpSocket* peer : peers)
        peer->disconnectFromHost();
    WAIT_FOR_EQ(tcp.heardBy(edid.link).closes, 1, WaitMs);
    settleEvents();
    EXPECT_EQ(edid.frames.size(), 1u);
    EXPECT_FALSE(tcp.heardBy(general.link).any());
    EXPECT_TRUE(general.frames.empty());
}

TEST_F(TcpLinkTest, ForgottenOrClosedReceiversHearNothingMore) {
    Matrix matrix("127.0.2.7");
    ASSERT_TRUE(matrix.listening);
    auto page = std::make_unique<Page>(state, tcp, clock);
    QTcpSocket* peer = connectPage(*page, matrix, "127.0.2.7");
    ASSERT_NE(peer, nullptr);
    const Heard& heard = tcp.heardBy(page->link);
    const Heard before = heard;

    // A page going away: the socket stays, but nothing is delivered to it any more.
    tcp.socket.forget(tcp.tapOf(page->link));
    Matrix::write(peer, routeReply);
    settleEvents();
    EXPECT_EQ(heard.dataSizes, before.dataSizes);

    // A user disconnect: the connection ends without a close notification.
    tcp.close();
    WAIT_FOR_EQ(peer->state(), QAbstractSocket::UnconnectedState, WaitMs);
    settleEvents();
    EXPECT_EQ(heard.closes, 0);
    EXPECT_EQ(heard.connectResults, before.connectResults);
    page.reset(); // forgets itself again, harmlessly
}

TEST_F(TcpLinkTest, CloseWhileConnectingReportsNothing) {
    Matrix matrix("127.0.2.8");
    ASSERT_TRUE(matrix.listening);
    Page page(state, tcp, clock);
    state.matrixIp = "127.0.2.8";
    page.link.connectMatrix();
    tcp.close();
    settleEvents();
    EXPECT_FALSE(tcp.heardBy(page.link).any());
    EXPECT_FALSE(state.tcpConnected);
}

TEST_F(TcpLinkTest, AnAddressThatIsNotDottedIpv4NeverConnects) {
    Matrix matrix("127.0.2.9");
    ASSERT_TRUE(matrix.listening);
    Page page(state, tcp, clock);
    QTcpSocket* peer = connectPage(page, matrix, "127.0.2.9");
    ASSERT_NE(peer, nullptr);

    // Every one of these means 127.0.2.9 to a lax parser (octal, hex, short forms, one number).
    const char* typos[] = {"127.0.2.09", "0x7f.0.2.9", "127.0.521", "2130706953", "127.0.2.9.", ""};
    for (const char* typo : typos) {
        const Heard& heard = tcp.heardBy(page.link);
        const std::size_t resultsBefore = heard.connectResults.size();
        state.matrixIp = typo;
        page.link.connectMatrix();
        // The failure comes later from the event loop, never from inside the connect call.
        EXPECT_EQ(heard.connectResults.size(), resultsBefore) << typo;
        WAIT_FOR_EQ(heard.connectResults.size(), resultsBefore + 1, WaitMs);
        EXPECT_NE(heard.connectResults.back(), 0) << typo;
        EXPECT_FALSE(state.tcpConnected) << typo;
    }
    // The connection made before was thrown away at the first new connect, and no other came.
    WAIT_FOR_EQ(peer->state(), QAbstractSocket::UnconnectedState, WaitMs);
    settleEvents();
    EXPECT_FALSE(matrix.server.hasPendingConnections());
}

} // namespace
