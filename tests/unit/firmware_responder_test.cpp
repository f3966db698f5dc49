// The simulated matrix's side of a firmware upgrade, frame by frame with literal bytes: part
// starts, erase and prepare, block check bytes, the bank switch, the end, the reboot's silence and
// the reboot report, and the fault switches.
#include "../conversation/firmware_frames.h"
#include "MatrixDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
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

} // namespace
