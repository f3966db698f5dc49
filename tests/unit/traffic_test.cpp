// What the traffic window shows: the catalogue's names of frames in both directions, the line
// format with raw blocks shortened, the bounded journal, and a page link reporting into it.
#include "LiteralFrames.h"
#include "VirtualClock.h"
#include "core/link/PageLink.h"
#include "core/link/TrafficJournal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorvane;
using quorvane::test::Bytes;

namespace {

Frame frameOf(const Bytes& bytes) {
    Frame frame{};
    std::copy(bytes.begin(), bytes.end(), frame.begin());
    return frame;
}

std::string sent(const Bytes& bytes) {
    return describeFrame(frameOf(bytes), TrafficDirection::Sent);
}
std::string received(const Bytes& bytes) {
    return describeFrame(frameOf(bytes), TrafficDirection::Received);
}

TEST(TrafficNames, CommandsAndAnswersByTheCatalogue) {
    EXPECT_EQ(sent(test::routeInput3ToOutput2), "route input 3 to output B");
    EXPECT_EQ(received(test::ackOutput2), "route to output B acknowledged");
    EXPECT_EQ(sent(test::queryOutput1), "which input goes to output A");
    EXPECT_EQ(received(test::reportOutput3Input5), "input 5 goes to output C");
    EXPECT_EQ(sent({0xA5, 0x5B, 0x03, 0x08, 0xF0, 0, 0, 0, 0, 0, 0, 0, 0x05}), "EDID handshake");
    EXPECT_EQ(received(test::standbyReport), "standby");
    EXPECT_EQ(sent(test::beepQuery), "beep state query");
    EXPECT_EQ(received({0xA5, 0x5B, 0x01, 0x0B, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0xF5}), "beep off");
    EXPECT_EQ(sent({0xA5, 0x5B, 0x06, 0x01, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0xE4}), "beep on");
    EXPECT_EQ(sent({0xA5, 0x5B, 0x03, 0x02, 0x05, 0xF0, 0x03, 0, 0, 0, 0, 0, 0x00}),
              "built-in EDID 5 to input 3");
    EXPECT_EQ(received({0xA5, 0x5B, 0x01, 0x02, 0x08, 0, 0x08, 0, 0, 0, 0, 0, 0xED}),
              "matrix size 8x8");
    EXPECT_EQ(sent({0xA5, 0x5B, 0x20, 0x01, 0xAA, 0, 0, 0x01, 0x01, 0x40, 0x07, 0, 0}),
              "firmware part 1 block 7");
    EXPECT_EQ(sent({0xA5, 0x5B, 0x09, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0}), "unknown command 09 01");
    // The matrix's firmware acknowledgements, told apart by bytes 6..9.
    EXPECT_EQ(received({0xA5, 0x5B, 0x20, 0x01, 0, 0, 0, 0x01, 0x01, 0xB0, 0xF0, 0, 0x3D}),
              "firmware part 1 block 240 acknowledged, mark B0");
    EXPECT_EQ(received({0xA5, 0x5B, 0x20, 0x02, 0, 0, 0xFE, 0, 0x01, 0, 0, 0, 0xDF}),
              "firmware part 2 end acknowledged");
    EXPECT_EQ(received({0xA5, 0x5B, 0x20, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0xDF}),
              "firmware part 1 erase or prepare acknowledged");
}

TEST(TrafficLines, FramesWithNamesAndRawBlocksShortened) {
    TrafficEntry frame{0, TrafficDirection::Sent, Transport::Serial, test::routeInput3ToOutput2};
    EXPECT_EQ(formatTraffic(frame),
              "TX serial  A5 5B 02 03 03 00 02 00 00 00 00 00 F6  route input 3 to output B");
    TrafficEntry damaged{0, TrafficDirection::Received, Transport::Tcp, test::ackOutput2Damaged};
    EXPECT_EQ(formatTraffic(damaged), "RX tcp     A5 5B 02 03 00 00 02 00 00 00 00 00 F8  route "
                                      "to output B acknowledged (checksum wrong)");
    TrafficEntry stray{0, TrafficDirection::Received, Transport::Serial, test::ackOutput2};
    stray.unexpected = true;
    EXPECT_EQ(formatTraffic(stray), "RX serial  A5 5B 02 03 00 00 02 00 00 00 00 00 F9  route to "
                                    "output B acknowledged (unexpected, ignored)");
    TrafficEntry block{0, TrafficDirection::Sent, Transport::Tcp, Bytes(290, 0xAB), true};
    EXPECT_EQ(formatTraffic(block), "TX tcp     raw block of 290 bytes  AB AB AB AB AB AB AB AB "
                                    "AB AB AB AB AB AB AB AB ...");
}

TEST(TrafficJournal, HoldsTheLatestEntriesAndCountsOn) {
    TrafficJournal journal(3);
    int told = 0;
    journal.setListener([&] { ++told; });
    for (int i = 0; i < 5; ++i)
        journal.record(TrafficEntry{i, TrafficDirection::Sent, Transport::Serial, {}});
    EXPECT_EQ(told, 5);
    EXPECT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal.begin(), 2u);
    EXPECT_EQ(journal.end(), 5u);
    EXPECT_EQ(journal.at(2).timeMs, 2);
    EXPECT_EQ(journal.at(4).timeMs, 4);
    EXPECT_THROW(journal.at(1), std::out_of_range);
    journal.clear();
    EXPECT_EQ(journal.size(), 0u);
    EXPECT_EQ(journal.begin(), 5u);
}

struct NullSerial : SerialLink {
    bool openPort(int, const SerialSettings&) override { return true; }
    bool startWorker() override { return true; }
    void writeBytes(const std::uint8_t*, std::size_t) override {}
    void signalClose() override {}
    bool isOpen() const override { return true; }
};
struct NullTcp : TcpLink {
    void connectMatrix(TcpReceiver&, const std::string&) override {}
    void send(const std::uint8_t*, std::size_t) override {}
    void close() override {}
    void forget(TcpReceiver&) override {}
};

TEST(TrafficJournal, PageLinkReportsWhatItSendsAndReceives) {
    LinkState state;
    TrafficJournal journal;
    state.traffic = &journal;
    NullSerial serial;
    NullTcp tcp;
    VirtualClock clock;
    PageLink link(state, serial, tcp, clock, PageLink::Rules{});
    clock.advance(40);
    link.sendFrame(frameOf(test::routeInput3ToOutput2));
    for (std::uint8_t b : test::ackOutput2)
        link.onSerialByte(b, 1);
    const std::uint8_t block[4] = {1, 2, 3, 4};
    state.controlMode = ControlMode::Tcp;
    link.sendRaw(block, sizeof block, false);

    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal.at(0).timeMs, 40);
    EXPECT_EQ(journal.at(0).bytes, test::routeInput3ToOutput2);
    EXPECT_EQ(journal.at(1).direction, TrafficDirection::Received);
    EXPECT_EQ(journal.at(1).bytes, test::ackOutput2);
    EXPECT_TRUE(journal.at(2).raw);
    EXPECT_EQ(journal.at(2).transport, Transport::Tcp);
    EXPECT_EQ(journal.at(2).bytes, (Bytes{1, 2, 3, 4}));
}

TEST(TrafficJournal, ReceivedFrameComesBeforeWhatItsHandlerSendsAndMayBeMarkedUnexpected) {
    LinkState state;
    TrafficJournal journal;
    state.traffic = &journal;
    NullSerial serial;
    NullTcp tcp;
    VirtualClock clock;
    PageLink link(state, serial, tcp, clock, PageLink::Rules{});
    // The handler answers output 2's acknowledgement with the next request and finds output 6's
    // no answer to anything.
    link.setFrameHandler([&link](const Frame& frame, bool, Transport) {
        if (frame[6] == 0x02)
            link.sendFrame(frameOf(test::queryOutput1));
        else
            link.markUnexpected();
    });
    for (const Bytes* frame : {&test::ackOutput2, &test::ackOutput6})
        for (std::uint8_t b : *frame)
            link.onSerialByte(b, 1);

    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal.at(0).bytes, test::ackOutput2);
    EXPECT_FALSE(journal.at(0).unexpected);
    EXPECT_EQ(journal.at(1).bytes, test::queryOutput1);
    EXPECT_EQ(journal.at(1).direction, TrafficDirection::Sent);
    EXPECT_EQ(journal.at(2).bytes, test::ackOutput6);
    EXPECT_TRUE(journal.at(2).unexpected);
}

} // namespace
