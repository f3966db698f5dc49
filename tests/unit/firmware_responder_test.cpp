// The simulated matrix's side of a firmware upgrade, frame by frame with literal bytes: part
// starts, erase and prepare, block check bytes, the bank switch, the end, the reboot's silence and
// the reboot report, and the fault switches.
#include "../conversation/firmware_frames.h"
#include "sim/device/MatrixDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

using namespace quorvane;
using namespace quorvane::sim;
namespace fw = quorvane::test::fw;
using Bytes = std::vector<std::uint8_t>;

namespace {

const Bytes Block0Ack{0xA5, 0x5B, 0x20, 0x01, 0x00, 0x00, 0x00, 0x01, 0x01, 0x40, 0x00, 0x00, 0x9D};
const Bytes Part3Block0Ack{0xA5, 0x5B, 0x20, 0x03, 0x00, 0x00, 0x00,
                           0x01, 0x01, 0x40, 0x00, 0x00, 0x9B};

// A data block: check byte, then 256 bytes of `fill`.
Bytes block(std::uint8_t fill, bool damaged = false) {
    Bytes out(257, fill);
    out[0] = static_cast<std::uint8_t>((0x100 - (fill * 256) % 256) % 256 + (damaged ? 1 : 0));
    return out;
}

class FirmwareResponderTest : public ::testing::Test {
protected:
    FirmwareResponderTest() {
        device.setClock([this] { return now; });
        device.state().rebootMs = 500;
    }
    Bytes ask(const Bytes& bytes) {
        Bytes out;
        for (const Emission& e : device.receive(LinkKind::Serial, bytes.data(), bytes.size()))
            out.insert(out.end(), e.bytes.begin(), e.bytes.end());
        return out;
    }
    // Start, erase and prepare of part 1.
    void preparePart1() {
        ASSERT_EQ(ask(fw::part1Start), fw::part1StartAck);
        ASSERT_EQ(ask(fw::eraseFrame), fw::eraseAck);
        ASSERT_EQ(ask(fw::prepareFrame), fw::eraseAck);
    }

    MatrixDevice device;
    std::int64_t now = 0;
};

TEST_F(FirmwareResponderTest, MainImageBlockByBlockThenRebootAndReport) {
    preparePart1();
    EXPECT_EQ(ask(fw::part1Block0Header), Bytes{});
    // A block whose check byte is off is not acknowledged; sent again intact it is.
    EXPECT_EQ(ask(block(0x11, true)), Bytes{});
    EXPECT_EQ(ask(fw::part1Block0Header), Bytes{});
    EXPECT_EQ(ask(block(0x11)), Block0Ack);
    EXPECT_EQ(ask(fw::part1End1Header), Bytes{});
    EXPECT_EQ(ask(block(0x22)), fw::part1EndAck);
    // Rebooting: nothing is answered for 500 ms, then the type query gets the reboot report until
    // another command comes.
    now = 499;
    EXPECT_EQ(ask(fw::deviceTypeQuery), Bytes{});
    now = 500;
    EXPECT_EQ(ask(fw::deviceTypeQuery), fw::rebootReport);
    EXPECT_EQ(ask(fw::deviceTypeQueryB0), fw::rebootReport);
    EXPECT_EQ(ask(fw::sizeQuery)[2], 0x01);
    EXPECT_EQ(ask(fw::deviceTypeQuery)[4], device.state().deviceType);

    Bytes expected(256, 0x11);
    expected.insert(expected.end(), 256, 0x22);
    EXPECT_EQ(device.state().firmwareImages[0], expected);
}

TEST_F(FirmwareResponderTest, Block240WithB001SwitchesTheBank) {
    preparePart1();
    EXPECT_EQ(ask(fw::part1Block240Header), Bytes{});
    EXPECT_EQ(ask(block(0x33)), fw::part1BankAck);
    // The next block, index 0, goes to the start of the second bank.
    EXPECT_EQ(ask(fw::part1Block0Header), Bytes{});
    EXPECT_EQ(ask(block(0x44)), Block0Ack);
    const Bytes& flash = device.state().firmwareImages[0];
    ASSERT_EQ(flash.size(), 65536u + 256u);
    EXPECT_EQ(flash[0], 0xFF);
    EXPECT_EQ(flash[240 * 256], 0x33);
    EXPECT_EQ(flash[241 * 256], 0xFF);
    EXPECT_EQ(flash[65536], 0x44);
}

TEST_F(FirmwareResponderTest, IrProcessorHasAGoAheadAndNoEndAcknowledgement) {
    EXPECT_EQ(ask(fw::part3Start), fw::part3GoAhead);
    EXPECT_EQ(ask(fw::part3Block0Header), Bytes{});
    EXPECT_EQ(ask(block(0x55)), Part3Block0Ack);
    EXPECT_EQ(ask(fw::part3End1Header), Bytes{});
    EXPECT_EQ(ask(block(0x66)), Bytes{});
    now = 500;
    EXPECT_EQ(ask(fw::deviceTypeQuery), fw::rebootReport);
    EXPECT_EQ(device.state().firmwareImages[2].size(), 512u);
}

TEST_F(FirmwareResponderTest, FaultSwitches) {
    // The panel processor's start is never answered.
    EXPECT_EQ(ask(fw::part4Start), Bytes{});
    device.faults().refuseFirmwarePart = 2;
    EXPECT_EQ(ask(fw::part2Start), fw::part2Refused);
    device.faults().refuseFirmwarePart = 0;

    // The first block's acknowledgement is dropped once: its resend is answered.
    device.faults().dropBlockAck = 1;
    preparePart1();
    ask(fw::part1Block0Header);
    EXPECT_EQ(ask(block(0x11)), Bytes{});
    ask(fw::part1Block0Header);
    EXPECT_EQ(ask(block(0x11)), Block0Ack);

    // A reboot that never ends.
    device.faults().neverFinishReboot = true;
    ask(fw::part1End1Header);
    EXPECT_EQ(ask(block(0x22)), fw::part1EndAck);
    now = 1000000;
    EXPECT_EQ(ask(fw::deviceTypeQuery), Bytes{});
}

// What the matrix makes of the blocks it is given: each row sends frames and blocks in turn,
// lists the matrix's answers (each emission's bytes and delay) and checks its flash where the
// row says.
struct Exchange {
    Bytes sent;
    std::vector<std::pair<Bytes, int>> answers; // (bytes, delay ms)
};
struct FlashCheck {
    int part;
    std::size_t offset;
    Bytes bytes;
};
struct StoreRow {
    const char* name;
    Faults::BlockAck fault;
    std::vector<Exchange> exchanges;
    std::vector<FlashCheck> flash;
    std::size_t flashSize; // of the row's part
};

Bytes headerOf(std::uint8_t part, std::uint8_t index, bool last = false) {
    Bytes h = last ? Bytes{0xA5, 0x5B, 0x20, part, 0x56, 0x00, 0xFE, 0x00, 0x01, 0x40, index, 0x00}
                   : Bytes{0xA5, 0x5B, 0x20, part, 0xAA, 0x00, 0x00, 0x01, 0x01, 0x40, index, 0x00};
    unsigned sum = 0;
    for (std::uint8_t b : h)
        sum += b;
    h.push_back(static_cast<std::uint8_t>((0x100 - (sum & 0xFF)) & 0xFF));
    return h;
}

TEST_F(FirmwareResponderTest, BlocksGoWhereTheirHeaderSaysAndFaultsChangeTheAcknowledgement) {
    using A = std::vector<std::pair<Bytes, int>>;
    // Acknowledgements written out: part 1 blocks 1 and 2 (m 40), block 2 with k 07 and with m
    // 41, part 2 blocks 255 and 0.
    const Bytes p1b1 = {0xA5, 0x5B, 0x20, 0x01, 0, 0, 0, 0x01, 0x01, 0x40, 0x01, 0x00, 0x9C};
    const Bytes p1b2 = {0xA5, 0x5B, 0x20, 0x01, 0, 0, 0, 0x01, 0x01, 0x40, 0x02, 0x00, 0x9B};
    const Bytes p1b2k7 = {0xA5, 0x5B, 0x20, 0x01, 0, 0, 0, 0x01, 0x01, 0x40, 0x07, 0x00, 0x96};
    const Bytes p1b2m41 = {0xA5, 0x5B, 0x20, 0x01, 0, 0, 0, 0x01, 0x01, 0x41, 0x02, 0x00, 0x9A};
    const Bytes p2b255 = {0xA5, 0x5B, 0x20, 0x02, 0, 0, 0, 0x01, 0x01, 0x40, 0xFF, 0x00, 0x9D};
    const Bytes p2b0 = {0xA5, 0x5B, 0x20, 0x02, 0, 0, 0, 0x01, 0x01, 0x40, 0x00, 0x00, 0x9C};
    const Bytes p2start = fw::part2Start;
    const std::vector<StoreRow> rows = {
        {"a block goes to the index in its header, not to the next place",
         {},
         {{fw::part1Start, {{fw::part1StartAck, 0}}},
          {fw::eraseFrame, {{fw::eraseAck, 0}}},
          {fw::prepareFrame, {{fw::eraseAck, 0}}},
          {headerOf(1, 2), {}},
          {block(0x22), {{p1b2, 0}}}},
         {{1, 0, Bytes(512, 0xFF)}, {1, 512, Bytes(256, 0x22)}},
         768},
        {"a block before the prepare is neither written nor acknowledged",
         {},
         {{fw::part1Start, {{fw::part1StartAck, 0}}},
          {fw::prepareFrame, {}},
          {fw::eraseFrame, {{fw::eraseAck, 0}}},
          {headerOf(1, 0), {}},
          {block(0x22), {}}},
         {},
         0},
        {"a resent bank-switch block stays in its bank; the next index starts the next bank",
         {},
         {{fw::part1Start, {{fw::part1StartAck, 0}}},
          {fw::eraseFrame, {{fw::eraseAck, 0}}},
          {fw::prepareFrame, {{fw::eraseAck, 0}}},
          {fw::part1Block240Header, {}},
          {block(0x33), {{fw::part1BankAck, 0}}},
          {fw::part1Block240Header, {}},
          {block(0x34), {{fw::part1BankAck, 0}}},
          {headerOf(1, 1), {}},
          {block(0x44), {{p1b1, 0}}}},
         {{1, 240 * 256, Bytes(256, 0x34)},
          {1, 65536, Bytes(256, 0xFF)},
          {1, 65536 + 256, Bytes(256, 0x44)}},
         65536 + 512},
        {"part 2: index 0 after block 255 is block 256",
         {},
         {{p2start, {{fw::part2StartAck, 0}}},
          {headerOf(2, 255), {}},
          {block(0x55), {{p2b255, 0}}},
          {headerOf(2, 0), {}},
          {block(0x66), {{p2b0, 0}}}},
         {{2, 255 * 256, Bytes(256, 0x55)}, {2, 256 * 256, Bytes(256, 0x66)}},
         257 * 256},
        {"a damaged block is neither written nor acknowledged",
         {},
         {{p2start, {{fw::part2StartAck, 0}}}, {headerOf(2, 0), {}}, {block(0x55, true), {}}},
         {},
         0},
        {"repeat: the acknowledgement once more after 50 ms, the first time only",
         {1, 2, 50, -1, -1},
         {{fw::part1Start, {{fw::part1StartAck, 0}}},
          {fw::eraseFrame, {{fw::eraseAck, 0}}},
          {fw::prepareFrame, {{fw::eraseAck, 0}}},
          {headerOf(1, 2), {}},
          {block(0x22), {{p1b2, 0}, {p1b2, 50}}},
          {headerOf(1, 2), {}},
          {block(0x22), {{p1b2, 0}}}},
         {{1, 512, Bytes(256, 0x22)}},
         768},
        {"other index",
         {1, 2, -1, 7, -1},
         {{fw::part1Start, {{fw::part1StartAck, 0}}},
          {fw::eraseFrame, {{fw::eraseAck, 0}}},
          {fw::prepareFrame, {{fw::eraseAck, 0}}},
          {headerOf(1, 2), {}},
          {block(0x22), {{p1b2k7, 0}}}},
         {{1, 512, Bytes(256, 0x22)}},
         768},
        {"other mark",
         {1, 2, -1, -1, 0x41},
         {{fw::part1Start, {{fw::part1StartAck, 0}}},
          {fw::eraseFrame, {{fw::eraseAck, 0}}},
          {fw::prepareFrame, {{fw::eraseAck, 0}}},
          {headerOf(1, 2), {}},
          {block(0x22), {{p1b2m41, 0}}}},
         {{1, 512, Bytes(256, 0x22)}},
         768},
    };
    for (const StoreRow& row : rows) {
        SCOPED_TRACE(row.name);
        device.faults() = {};
        device.faults().blockAck = row.fault;
        int part = 0;
        for (const Exchange& e : row.exchanges) {
            A answers;
            for (const Emission& em :
                 device.receive(LinkKind::Serial, e.sent.data(), e.sent.size()))
                answers.emplace_back(em.bytes, em.delayMs);
            EXPECT_EQ(answers, e.answers) << "after " << testing::PrintToString(e.sent);
            if (e.sent.size() == 13 && e.sent[2] == 0x20 && e.sent[4] == 0x01)
                part = e.sent[3];
        }
        EXPECT_EQ(device.state().firmwareImages.at(static_cast<std::size_t>(part - 1)).size(),
                  row.flashSize);
        for (const FlashCheck& c : row.flash) {
            const Bytes& flash =
                device.state().firmwareImages.at(static_cast<std::size_t>(c.part - 1));
            ASSERT_GE(flash.size(), c.offset + c.bytes.size());
            EXPECT_EQ(Bytes(flash.begin() + static_cast<std::ptrdiff_t>(c.offset),
                            flash.begin() + static_cast<std::ptrdiff_t>(c.offset + c.bytes.size())),
                      c.bytes)
                << "part " << c.part << " at " << c.offset;
        }
    }
}

} // namespace
