// SerialPort on a real pseudo-terminal pair registered as COM5 in a private ports folder.
#include "PtyPair.h"
#include "platform/link/SerialPort.h"
#include "serialports/PortNames.h"
#include "sim/ports/PortRegistration.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <sys/ioctl.h>
#include <termios.h>

using namespace quorvane;
using quorvane::test::PtyPair;

namespace {

constexpr int Com = 5;

// The beep-state query as it travels on the line.
const std::vector<std::uint8_t> BeepQuery{0xA5, 0x5B, 0x01, 0x0B, 0x00, 0x00, 0x00,
                                          0x00, 0x00, 0x00, 0x00, 0x00, 0xF4};

SerialSettings pageSettings(int stopBits) {
    SerialSettings settings;
    settings.stopBits = stopBits;
    return settings;
}

// Runs the event loop until `done` holds or `timeoutMs` (a generous bound) has passed.
template <typename Condition> bool pumpUntil(Condition done, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// Runs the event loop for a while, to give a wrong extra event the chance to show up.
void pumpFor(int ms) {
    pumpUntil([] { return false; }, ms);
}

// Runs the event loop and collects what the port sent until `count` bytes are in or `timeoutMs`
// has passed.
std::vector<std::uint8_t> collectFromSlave(PtyPair& pty, std::size_t count, int timeoutMs = 10000) {
    std::vector<std::uint8_t> received;
    pumpUntil(
        [&] {
            const auto more = pty.readFromSlave();
            received.insert(received.end(), more.begin(), more.end());
            return received.size() >= count;
        },
        timeoutMs);
    return received;
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime_.valid() && pty_.valid());
        std::string error;
        registration_ = ports::PortRegistration::create(Com, pty_.slavePath(), error);
        ASSERT_NE(registration_, nullptr) << error;
    }

    // Opens COM5 on `port` and records every byte delivered.
    void openRecording(SerialPort& port) {
        port.setByteHandler([this](std::uint8_t byte, int portNumber) {
            received_.push_back(byte);
            ports_.push_back(portNumber);
        });
        ASSERT_TRUE(port.openPort(Com, pageSettings(2)));
        ASSERT_TRUE(port.startWorker());
    }

    test::PrivateRuntimeDir runtime_;
    PtyPair pty_;
    std::unique_ptr<ports::PortRegistration> registration_;
    std::vector<std::uint8_t> received_;
    std::vector<int> ports_;
};

TEST_F(SerialPortTest, FrameWritePutsExactlyItsThirteenBytesOnTheLine) {
    SerialPort port;
    openRecording(port);
    port.writeBytes(BeepQuery.data(), BeepQuery.size());
    // Ask for one byte more than expected: an extra byte would show up in the bounded wait.
    EXPECT_EQ(collectFromSlave(pty_, BeepQuery.size() + 1, 500), BeepQuery);
}

TEST_F(SerialPortTest, QueuedBlocksAllArriveInOrderEvenWhenTheLineIsFull) {
    SerialPort port;
    openRecording(port);
    // Far more than the line buffers at once, queued without returning to the event loop.
    std::vector<std::uint8_t> expected;
    for (int round = 0; round < 100; ++round) {
        for (const std::size_t size : {13u, 257u, 290u}) {
            std::vector<std::uint8_t> block(size);
            for (std::size_t i = 0; i < size; ++i)
                block[i] = static_cast<std::uint8_t>(round * 31 + size + i * 7);
            port.writeBytes(block.data(), block.size());
            expected.insert(expected.end(), block.begin(), block.end());
        }
    }
    const auto onLine = collectFromSlave(pty_, expected.size());
    ASSERT_EQ(onLine.size(), expected.size());
    EXPECT_TRUE(onLine == expected) << "bytes arrived out of order or changed";
}

TEST_F(SerialPortTest, ReceivedBytesAreDeliveredOneByOneInOrderWithThePortNumber) {
    SerialPort port;
    openRecording(port);
    std::vector<std::uint8_t> sent;
    for (int i = 0; i < 700; ++i)
        sent.push_back(static_cast<std::uint8_t>(i * 13 + 5));
    ASSERT_TRUE(pty_.writeToSlave(sent));
    ASSERT_TRUE(pumpUntil([&] { return received_.size() >= sent.size(); }));
    EXPECT_TRUE(received_ == sent);
    EXPECT_EQ(ports_, std::vector<int>(sent.size(), Com));
}

TEST_F(SerialPortTest, NoReceivedByteIsDiscardedByAnOpenOrAWrite) {
    const std::vector<std::uint8_t> beforeOpen{0xA5, 0x5B, 0x02, 0x03};
    const std::vector<std::uint8_t> beforeWrite{0x00, 0x00, 0x01, 0x00, 0x00,
                                                0x00, 0x00, 0x00, 0xFA};
    ASSERT_TRUE(pty_.writeToSlave(beforeOpen));
    SerialPort port;
    openRecording(port);
    // A reply that is waiting, unread, when the next frame goes out must still be delivered.
    ASSERT_TRUE(pty_.writeToSlave(beforeWrite));
    port.writeBytes(BeepQuery.data(), BeepQuery.size());

    std::vector<std::uint8_t> expected = beforeOpen;
    expected.insert(expected.end(), beforeWrite.begin(), beforeWrite.end());
    ASSERT_TRUE(pumpUntil([&] { return received_.size() >= expected.size(); }));
    EXPECT_EQ(received_, expected);
    EXPECT_EQ(collectFromSlave(pty_, BeepQuery.size()), BeepQuery);
}

TEST_F(SerialPortTest, HandlerThatClosesThePortStopsTheDelivery) {
    SerialPort port;
    port.setByteHandler([&](std::uint8_t byte, int) {
        received_.push_back(byte);
        if (received_.size() == 3)
            port.signalClose();
    });
    ASSERT_TRUE(port.openPort(Com, pageSettings(2)));
    ASSERT_TRUE(port.startWorker());
    ASSERT_TRUE(pty_.writeToSlave({1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(pumpUntil([&] { return received_.size() >= 3; }));
    pumpFor(100);
    EXPECT_EQ(received_, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialPortTest, DeviceIsHeldExclusivelyUntilSignalClose) {
    SerialPort first;
    SerialPort second;
    EXPECT_FALSE(first.openPort(Com + 1, pageSettings(2))); // a name that leads nowhere
    EXPECT_FALSE(first.startWorker());
    ASSERT_TRUE(first.openPort(Com, pageSettings(2)));
    EXPECT_TRUE(first.isOpen());
    EXPECT_FALSE(second.openPort(Com, pageSettings(2)));
    EXPECT_FALSE(second.isOpen());

    first.signalClose();
    EXPECT_FALSE(first.isOpen());
    EXPECT_TRUE(second.openPort(Com, pageSettings(2)));
    EXPECT_FALSE(first.openPort(Com, pageSettings(2)));

    // Destruction releases the device as well.
    auto third = std::make_unique<SerialPort>();
    second.signalClose();
    ASSERT_TRUE(third->openPort(Com, pageSettings(2)));
    third.reset();
    EXPECT_TRUE(first.openPort(Com, pageSettings(2)));
}

TEST_F(SerialPortTest, FarEndHangUpIsReportedExactlyOnceAndNeverFromInsideASend) {
    SerialPort port;
    int failures = 0;
    port.setFailureHandler([&] { ++failures; });
    openRecording(port);
    pty_.hangUp();
    port.writeBytes(BeepQuery.data(), BeepQuery.size());
    EXPECT_EQ(failures, 0);
    ASSERT_TRUE(pumpUntil([&] { return failures > 0; }));
    // Writing to the dead line and more turns of the event loop report nothing more.
    port.writeBytes(BeepQuery.data(), BeepQuery.size());
    pumpFor(200);
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(received_.empty());
    EXPECT_TRUE(port.isOpen());
    port.signalClose();
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialPortTest, LineIsRawAt115200BaudWithTheGivenStopBits) {
    SerialPort port;
    ASSERT_TRUE(port.openPort(Com, pageSettings(2)));
    termios line{};
    ASSERT_EQ(tcgetattr(pty_.slaveFd(), &line), 0);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF), 0u);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_NE(line.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B115200));
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B115200));

    ASSERT_TRUE(port.openPort(Com, pageSettings(1)));
    ASSERT_EQ(tcgetattr(pty_.slaveFd(), &line), 0);
    EXPECT_EQ(line.c_cflag & CSTOPB, 0u);
}

// A port kept open across a close and a reopen (the command line's port): step by step, whether
// the owner sees it open, whether the device is still held (its exclusive flag set, another port
// object refused), what has been delivered and the line's stop bits.
TEST_F(SerialPortTest, AKeptPortIsTakenUpAgainByAReopenWithTheSameSettings) {
    auto kept = std::make_unique<SerialPort>();
    kept->setKeepOpenAcrossReopen(true);
    openRecording(*kept);
    struct Step {
        const char* what;
        std::function<void()> act;
        bool open;
        bool held;
        std::vector<std::uint8_t> delivered;
        int stopBits;
    };
    const std::vector<Step> steps{
        {"opened", [] {}, true, true, {}, 2},
        {"a byte from the far end",
         [&] {
             pty_.writeToSlave({0x01});
             pumpUntil([&] { return received_.size() == 1; });
         },
         true,
         true,
         {0x01},
         2},
        {"closed: still held", [&] { kept->signalClose(); }, false, true, {0x01}, 2},
        // Nothing goes out of a closed port, and nothing comes in; the far end's byte waits in
        // the line as it would for a port opened afresh.
        {"a write and a byte from the far end while closed",
         [&] {
             kept->writeBytes(BeepQuery.data(), BeepQuery.size());
             EXPECT_TRUE(pty_.readFromSlave().empty());
             pty_.writeToSlave({0x02});
             for (int i = 0; i < 20; ++i)
                 QCoreApplication::processEvents();
         },
         false,
         true,
         {0x01},
         2},
        {"reopened with the same settings",
         [&] {
             ASSERT_TRUE(kept->openPort(Com, pageSettings(2)));
             ASSERT_TRUE(kept->startWorker());
             pumpUntil([&] { return received_.size() == 2; });
         },
         true,
         true,
         {0x01, 0x02},
         2},
        {"reopened with other settings: opened afresh",
         [&] {
             ASSERT_TRUE(kept->openPort(Com, pageSettings(1)));
             ASSERT_TRUE(kept->startWorker());
         },
         true,
         true,
         {0x01, 0x02},
         1},
        {"closed and gone: released",
         [&] {
             kept->signalClose();
             kept.reset();
         },
         false,
         false,
         {0x01, 0x02},
         1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(kept && kept->isOpen(), step.open);
        int exclusive = 0;
        ASSERT_EQ(ioctl(pty_.slaveFd(), TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive != 0, step.held);
        EXPECT_EQ(received_, step.delivered);
        termios line{};
        ASSERT_EQ(tcgetattr(pty_.slaveFd(), &line), 0);
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0 ? 2 : 1, step.stopBits);
        // Last, as it may open the port itself.
        SerialPort other;
        EXPECT_EQ(other.openPort(Com, pageSettings(2)), !step.held);
        other.signalClose();
    }
}

} // namespace
