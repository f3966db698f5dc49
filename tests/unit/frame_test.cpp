// Frames and named commands against the literal bytes the matrix protocol documents.
#include "core/link/Commands.h"
#include "core/link/Frame.h"

#include <gtest/gtest.h>

using namespace quorvane;

namespace {
Frame bytes(std::initializer_list<int> list) {
    Frame f{};
    std::size_t i = 0;
    for (int b : list)
        f[i++] = static_cast<std::uint8_t>(b);
    return f;
}
} // namespace

TEST(Frame, DocumentedExamples) {
    EXPECT_EQ(buildFrame(cmd::beepStateQuery),
              bytes({0xA5, 0x5B, 0x01, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0xF4}));
    EXPECT_EQ(buildFrame(cmd::routeInput(3, 2)),
              bytes({0xA5, 0x5B, 0x02, 0x03, 0x03, 0x00, 0x02, 0, 0, 0, 0, 0, 0xF6}));
    EXPECT_EQ(buildFrame(cmd::edidHandshake),
              bytes({0xA5, 0x5B, 0x03, 0x08, 0xF0, 0, 0, 0, 0, 0, 0, 0, 0x05}));
}

TEST(Frame, CatalogueBytes) {
    // Bytes 2..11 as the command table lists them.
    EXPECT_EQ(cmd::deviceTypeQuery, (CommandBytes{0x01, 0x01, 0, 0, 0, 0, 0, 0x40, 0, 0}));
    EXPECT_EQ(cmd::modelTextQuery, (CommandBytes{0x01, 0x06, 0, 0, 0, 0, 0, 0x40, 0, 0}));
    EXPECT_EQ(cmd::routingQuery(5), (CommandBytes{0x02, 0x01, 0x05, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cmd::edidCopyOne(2, 7), (CommandBytes{0x03, 0x04, 0x02, 0x00, 0x07, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cmd::edidSetBuiltInOne(15, 3),
              (CommandBytes{0x03, 0x02, 0x0F, 0xF0, 0x03, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cmd::edidBlockAnnounceAll, (CommandBytes{0x03, 0x06, 0x56, 0, 0, 0x01, 0, 0, 0, 0}));
    EXPECT_EQ(cmd::beepSwitch(true), (CommandBytes{0x06, 0x01, 0x0F, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cmd::dviSwitch(false), (CommandBytes{0x07, 0x01, 0xF0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cmd::firmwareBlockHeader(2, 0x11),
              (CommandBytes{0x20, 0x02, 0xAA, 0, 0, 0x01, 0x01, 0x40, 0x11, 0}));
    EXPECT_EQ(cmd::firmwareLastBlockHeader(1, 0x30),
              (CommandBytes{0x20, 0x01, 0x56, 0, 0xFE, 0, 0x01, 0x40, 0x30, 0}));
    EXPECT_EQ(cmd::firmwareStartPart3, (CommandBytes{0x20, 0x02, 0x03, 0, 0, 0, 0, 0x40, 0, 0}));
}

TEST(Frame, IntactMeansZeroSum) {
    const Frame ack = bytes({0xA5, 0x5B, 0x02, 0x03, 0x00, 0x00, 0x02, 0, 0, 0, 0, 0, 0xF9});
    EXPECT_TRUE(isIntact(ack));
    Frame bad = ack;
    bad[12] = 0xF8;
    EXPECT_FALSE(isIntact(bad));
    // A checksum that wraps: the sum of the first twelve bytes is a multiple of 256.
    Frame wrap = bytes({0xA5, 0x5B, 0x01, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    wrap[12] = frameChecksum(wrap);
    EXPECT_EQ(wrap[12], 0x00);
    EXPECT_TRUE(isIntact(wrap));
    EXPECT_TRUE(cmd::isStandbyReport(buildFrame(command({0x88, 0x88}))));
    EXPECT_FALSE(cmd::isStandbyReport(buildFrame(command({0x88, 0x01}))));
}

TEST(Frame, HexTextOfTheLogs) {
    const Frame f = buildFrame(cmd::beepStateQuery);
    EXPECT_EQ(hexBytes(f), "A5 5B 01 0B 00 00 00 00 00 00 00 00 F4 ");
}
