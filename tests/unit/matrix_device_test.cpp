// The simulated matrix's model: answers, state changes, reassembly of its input and fault switches.
// Expected frames are written out byte by byte.
#include "LiteralFrames.h"
#include "sim/device/MatrixDevice.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quorvane;
using namespace quorvane::sim;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes& BeepQuery = quorvane::test::beepQuery;
const Bytes BeepOnAnswer{0xA5, 0x5B, 0x01, 0x0B, 0, 0, 0x0F, 0, 0, 0, 0, 0, 0xE5};
const Bytes BeepOffAnswer{0xA5, 0x5B, 0x01, 0x0B, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0xF5};
const Bytes& RouteIn3Out2 = quorvane::test::routeInput3ToOutput2;
const Bytes& RouteAckOut2 = quorvane::test::ackOutput2;
const Bytes& StandbyReport = quorvane::test::standbyReport;

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::vector<Emission> send(MatrixDevice& device, const Bytes& bytes,
                           LinkKind link = LinkKind::Serial) {
    return device.receive(link, bytes.data(), bytes.size());
}

// The bytes of all data emissions, in order.
Bytes dataOf(const std::vector<Emission>& emissions) {
    Bytes out;
    for (const Emission& e : emissions) {
        if (e.kind == Emission::Kind::Data)
            out.insert(out.end(), e.bytes.begin(), e.bytes.end());
    }
    return out;
}

Bytes ask(MatrixDevice& device, const Bytes& bytes, LinkKind link = LinkKind::Serial) {
    return dataOf(send(device, bytes, link));
}

} // namespace

TEST(MatrixDeviceAnswers, QueriesReportTheStateInTheirFrames) {
    MatrixDevice device;
    EXPECT_EQ(ask(device, BeepQuery), BeepOnAnswer);
    // Size 8 x 8, version 1.2, type 1.
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0xFD}),
              (Bytes{0xA5, 0x5B, 0x01, 0x02, 0x08, 0, 0x08, 0, 0, 0, 0, 0, 0xED}));
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x01, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0xFC}),
              (Bytes{0xA5, 0x5B, 0x01, 0x03, 0x01, 0, 0x02, 0, 0, 0, 0, 0, 0xF9}));
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x01, 0x01, 0, 0, 0, 0, 0, 0x40, 0, 0, 0xBE}),
              (Bytes{0xA5, 0x5B, 0x01, 0x01, 0x01, 0, 0, 0, 0, 0, 0, 0, 0xFD}));
    // Model text "QVM-0808" in bytes 4..11.
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x01, 0x06, 0, 0, 0, 0, 0, 0x40, 0, 0, 0xB9}),
              (Bytes{0xA5, 0x5B, 0x01, 0x06, 'Q', 'V', 'M', '-', '0', '8', '0', '8', 0x08}));
    // Output C attached (01), output E not (FF); input 1 attached.
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x01, 0x05, 0x03, 0, 0, 0, 0, 0, 0, 0, 0xF7}),
              (Bytes{0xA5, 0x5B, 0x01, 0x05, 0x03, 0, 0x01, 0, 0, 0, 0, 0, 0xF6}));
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x01, 0x05, 0x05, 0, 0, 0, 0, 0, 0, 0, 0xF5}),
              (Bytes{0xA5, 0x5B, 0x01, 0x05, 0x05, 0, 0xFF, 0, 0, 0, 0, 0, 0xF6}));
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x01, 0x04, 0x01, 0, 0, 0, 0, 0, 0, 0, 0xFA}),
              (Bytes{0xA5, 0x5B, 0x01, 0x04, 0x01, 0, 0x01, 0, 0, 0, 0, 0, 0xF9}));
    // DVI compatibility off: not FF.
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x01, 0x0D, 0, 0, 0, 0, 0, 0, 0, 0, 0xF2}),
              (Bytes{0xA5, 0x5B, 0x01, 0x0D, 0, 0, 0xF0, 0, 0, 0, 0, 0, 0x02}));
    // Input 3 uses the default EDID, reported as index 03.
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x01, 0x0C, 0x03, 0, 0, 0, 0, 0, 0, 0, 0xF0}),
              (Bytes{0xA5, 0x5B, 0x01, 0x0C, 0x03, 0, 0x03, 0, 0, 0, 0, 0, 0xED}));
}

TEST(MatrixDeviceAnswers, RouteChangesTheRoutingAndIsAcknowledged) {
    MatrixDevice device;
    const Bytes queryOut2{0xA5, 0x5B, 0x02, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0xFB};
    EXPECT_EQ(ask(device, queryOut2),
              (Bytes{0xA5, 0x5B, 0x02, 0x01, 0x02, 0, 0x02, 0, 0, 0, 0, 0, 0xF9}));
    EXPECT_EQ(ask(device, RouteIn3Out2), RouteAckOut2);
    EXPECT_EQ(device.state().routing[1], 3);
    EXPECT_EQ(ask(device, queryOut2),
              (Bytes{0xA5, 0x5B, 0x02, 0x01, 0x02, 0, 0x03, 0, 0, 0, 0, 0, 0xF8}));
    // Output 9 does not exist: no answer, nothing changes.
    EXPECT_TRUE(ask(device, {0xA5, 0x5B, 0x02, 0x03, 0x01, 0, 0x09, 0, 0, 0, 0, 0, 0xF1}).empty());
    EXPECT_EQ(device.state().routing, (std::array<std::uint8_t, 8>{1, 3, 3, 4, 5, 6, 7, 8}));
}

TEST(MatrixDeviceAnswers, SwitchesAreSetAndAcknowledgedWithZero) {
    MatrixDevice device;
    // Beep off: 06 01 F0 -> 06 01 00 00 00.
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x06, 0x01, 0xF0, 0, 0, 0, 0, 0, 0, 0, 0x09}),
              (Bytes{0xA5, 0x5B, 0x06, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0xF9}));
    EXPECT_EQ(ask(device, BeepQuery), BeepOffAnswer);
    // DVI on, then the DVI state reads FF.
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x07, 0x01, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0xE9}),
              (Bytes{0xA5, 0x5B, 0x07, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0xF8}));
    EXPECT_TRUE(device.state().dviOn);
    // IR with a value that is neither on nor off: refused (byte 6 not 00), state kept.
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x05, 0x01, 0x33, 0, 0, 0, 0, 0, 0, 0, 0xC7}),
              (Bytes{0xA5, 0x5B, 0x05, 0x01, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0xFB}));
    EXPECT_TRUE(device.state().irOn);
}

TEST(MatrixDeviceAnswers, EdidCommandsFollowTheAttachedDisplays) {
    MatrixDevice device;
    // Handshake 03 08 F0 -> 03 08.
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x03, 0x08, 0xF0, 0, 0, 0, 0, 0, 0, 0, 0x05}),
              (Bytes{0xA5, 0x5B, 0x03, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0xF5}));
    // Built-in EDID 0C on input 3 -> 03 02 .. 03, index 0B.
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x03, 0x02, 0x0C, 0xF0, 0x03, 0, 0, 0, 0, 0, 0xFC}),
              (Bytes{0xA5, 0x5B, 0x03, 0x02, 0, 0, 0x03, 0, 0, 0, 0, 0, 0xF8}));
    EXPECT_EQ(device.state().inputEdid[2], 0x0B);
    // Copy from output C (attached) to input 1: done (00), index 11; from output F: failed (FF).
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x03, 0x04, 0x03, 0, 0x01, 0, 0, 0, 0, 0, 0xF5}),
              (Bytes{0xA5, 0x5B, 0x03, 0x04, 0x00, 0, 0x01, 0, 0, 0, 0, 0, 0xF8}));
    EXPECT_EQ(device.state().inputEdid[0], 0x11);
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x03, 0x04, 0x06, 0, 0x02, 0, 0, 0, 0, 0, 0xF1}),
              (Bytes{0xA5, 0x5B, 0x03, 0x04, 0xFF, 0, 0x02, 0, 0, 0, 0, 0, 0xF8}));
    EXPECT_EQ(device.state().inputEdid[1], DefaultEdidIndex);
}

TEST(MatrixDeviceAnswers, EdidDownloadTakesTheRawBlockAndReportsTheResult) {
    MatrixDevice device;
    // Request for input 2: ready (03 07 AA, byte 7 = 00).
    EXPECT_EQ(ask(device, {0xA5, 0x5B, 0x03, 0x07, 0x02, 0xF0, 0, 0, 0, 0, 0, 0, 0x04}),
              (Bytes{0xA5, 0x5B, 0x03, 0x07, 0xAA, 0, 0, 0, 0, 0, 0, 0, 0x4C}));
    const Bytes announce{0xA5, 0x5B, 0x03, 0x07, 0x56, 0, 0, 0x01, 0, 0, 0, 0, 0x9F};
    EXPECT_TRUE(ask(device, announce).empty());
    // The block comes after a pause; forgetting a partial frame meanwhile keeps it expected.
    device.forgetPartialFrame(LinkKind::Serial);

    // 00, a 128-byte EDID (header, a frame-like run of bytes, checksum), zeros to 290 bytes.
    Bytes block(290, 0);
    const Bytes header{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(header.begin(), header.end(), block.begin() + 1);
    std::copy(BeepQuery.begin(), BeepQuery.end(), block.begin() + 20);
    unsigned sum = 0;
    for (std::size_t i = 1; i < 128; ++i)
        sum += block[i];
    block[128] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
    // In two pieces; the beep query inside it is data, not a command.
    EXPECT_TRUE(ask(device, Bytes(block.begin(), block.begin() + 100)).empty());
    EXPECT_EQ(ask(device, Bytes(block.begin() + 100, block.end())),
              (Bytes{0xA5, 0x5B, 0x03, 0x07, 0x00, 0, 0, 0x01, 0, 0, 0, 0, 0xF5}));
    EXPECT_EQ(device.state().inputEdid[1], UserDefinedEdidIndex);
    EXPECT_EQ(device.state().inputEdid[0], DefaultEdidIndex);

    // A block announced without a request is taken whole and fails (FF); frames after it count.
    EXPECT_TRUE(ask(device, announce).empty());
    EXPECT_EQ(ask(device, concat({block, BeepQuery})),
              concat({{0xA5, 0x5B, 0x03, 0x07, 0xFF, 0, 0, 0x01, 0, 0, 0, 0, 0xF6}, BeepOnAnswer}));
}

TEST(MatrixDeviceInput, FramesAreCutFromAnyPiecesAndBadFramesGoUnanswered) {
    MatrixDevice device;
    // Stray bytes, then a start A5 not followed by 5B (given up), then the query in two pieces.
    EXPECT_TRUE(ask(device, {0x12, 0x34, 0xA5, 0x00, 0xA5, 0x5B, 0x01}).empty());
    EXPECT_EQ(ask(device, Bytes(BeepQuery.begin() + 3, BeepQuery.end())), BeepOnAnswer);
    // Two frames in one write: both answered, in order.
    EXPECT_EQ(ask(device, concat({RouteIn3Out2, BeepQuery}), LinkKind::Tcp),
              concat({RouteAckOut2, BeepOnAnswer}));
    // Bad checksum (F5 instead of F6): seen, not answered, not acted on.
    Bytes bad = RouteIn3Out2;
    bad[4] = 0x05;
    EXPECT_TRUE(ask(device, bad).empty());
    EXPECT_EQ(device.state().routing[1], 3);
    // Unknown command: not answered.
    EXPECT_TRUE(ask(device, {0xA5, 0x5B, 0x01, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}).empty());
    EXPECT_EQ(device.framesSeen().size(), 5u);
}

TEST(MatrixDeviceInput, LinksReassembleSeparatelyAndResetForgetsAPartialFrame) {
    MatrixDevice device;
    const Bytes head(BeepQuery.begin(), BeepQuery.begin() + 6);
    const Bytes tail(BeepQuery.begin() + 6, BeepQuery.end());
    EXPECT_TRUE(ask(device, head, LinkKind::Tcp).empty());
    EXPECT_EQ(ask(device, BeepQuery, LinkKind::Serial), BeepOnAnswer);
    EXPECT_EQ(ask(device, tail, LinkKind::Tcp), BeepOnAnswer);

    EXPECT_TRUE(ask(device, head, LinkKind::Tcp).empty());
    device.resetLink(LinkKind::Tcp);
    EXPECT_TRUE(ask(device, tail, LinkKind::Tcp).empty());
    EXPECT_EQ(ask(device, BeepQuery, LinkKind::Tcp), BeepOnAnswer);
}

TEST(MatrixDeviceFaults, DropCorruptDelayAndStandbyHitTheCountedReplies) {
    MatrixDevice device;
    device.faults().dropReply = 2;
    device.faults().dropCount = 2;
    device.faults().corruptReply = 4;
    device.faults().delayReply = 5;
    device.faults().delayMs = 700;
    device.faults().standbyBeforeReply = 6;

    EXPECT_EQ(ask(device, BeepQuery), BeepOnAnswer);
    EXPECT_TRUE(send(device, BeepQuery).empty());
    EXPECT_TRUE(send(device, RouteIn3Out2).empty());
    EXPECT_EQ(device.state().routing[1], 3); // a dropped reply's command still took effect
    Bytes corrupted = BeepOnAnswer;
    corrupted[12] = 0xE6;
    EXPECT_EQ(ask(device, BeepQuery), corrupted);
    const auto delayed = send(device, BeepQuery);
    ASSERT_EQ(delayed.size(), 1u);
    EXPECT_EQ(delayed[0].bytes, BeepOnAnswer);
    EXPECT_EQ(delayed[0].delayMs, 700);
    EXPECT_EQ(ask(device, BeepQuery), StandbyReport);
    const auto normal = send(device, BeepQuery);
    ASSERT_EQ(normal.size(), 1u);
    EXPECT_EQ(normal[0].bytes, BeepOnAnswer);
    EXPECT_EQ(normal[0].delayMs, 0);
    EXPECT_EQ(device.replyCount(), 7);
    // The standby report on request is not counted and not faulted.
    EXPECT_EQ(dataOf(device.standbyReport()), StandbyReport);
    EXPECT_EQ(device.replyCount(), 7);
}

TEST(MatrixDeviceFaults, SplitAndCloseApplyToTcpOnlyHangUpToSerialOnly) {
    MatrixDevice device;
    device.faults().splitReply = 1;
    device.faults().splitAt = 5;
    device.faults().closeAfterReply = 2;
    device.faults().hangUpAfterReply = 3;

    auto split = send(device, BeepQuery, LinkKind::Tcp);
    ASSERT_EQ(split.size(), 1u);
    EXPECT_EQ(split[0].splitAt, (std::vector<std::size_t>{5}));
    EXPECT_EQ(split[0].bytes, BeepOnAnswer);

    auto closed = send(device, BeepQuery, LinkKind::Tcp);
    ASSERT_EQ(closed.size(), 2u);
    EXPECT_EQ(closed[0].bytes, BeepOnAnswer);
    EXPECT_EQ(closed[1].kind, Emission::Kind::CloseConnection);

    // The hang-up is due on reply 3, but that reply goes out on TCP: nothing happens.
    EXPECT_EQ(send(device, BeepQuery, LinkKind::Tcp).size(), 1u);
    device.faults().hangUpAfterReply = 4;
    auto hungUp = send(device, BeepQuery, LinkKind::Serial);
    ASSERT_EQ(hungUp.size(), 2u);
    EXPECT_EQ(hungUp[0].bytes, BeepOnAnswer);
    EXPECT_EQ(hungUp[1].kind, Emission::Kind::HangUp);
}

TEST(MatrixDeviceFaults, MergeHoldsAReplyUntilTheNextOneAndSendsBothInOneWrite) {
    MatrixDevice device;
    device.faults().mergeReply = 1;
    EXPECT_TRUE(send(device, RouteIn3Out2, LinkKind::Tcp).empty());
    const auto merged = send(device, BeepQuery, LinkKind::Tcp);
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_EQ(merged[0].bytes, concat({RouteAckOut2, BeepOnAnswer}));
    EXPECT_EQ(ask(device, BeepQuery, LinkKind::Tcp), BeepOnAnswer);
}
