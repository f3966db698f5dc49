// Reassembly of serial bytes and TCP reads into frames, with the documented streams.
#include "LiteralFrames.h"
#include "core/link/SerialFrameAssembler.h"
#include "core/link/TcpFrameAssembler.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quorvane;

namespace {
using Bytes = std::vector<std::uint8_t>;

struct SerialRun {
    std::vector<ReceivedFrame> frames;
    int collected = 0;
};

// Feeds the bytes one by one, `gapMs` apart.
SerialRun feedSerial(SerialFrameAssembler& a, const Bytes& bytes, std::int64_t& now,
                     std::int64_t gapMs = 1) {
    SerialRun run;
    for (std::uint8_t b : bytes) {
        now += gapMs;
        if (auto f = a.feed(b, now))
            run.frames.push_back(*f);
        run.collected += a.lastByteCollected() ? 1 : 0;
    }
    return run;
}

Frame frameOf(const Bytes& b) {
    Frame f{};
    std::copy(b.begin(), b.begin() + 13, f.begin());
    return f;
}

const Bytes& reportC5 = quorvane::test::reportOutput3Input5;
const Bytes& ack2 = quorvane::test::ackOutput2;
} // namespace

TEST(SerialAssembler, LeadingByteIsSkippedAndFrameFound) {
    SerialFrameAssembler a;
    std::int64_t now = 0;
    const Bytes stream = {0x00, 0xA5, 0x5B, 0x02, 0x03, 0x00, 0x00,
                          0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFA};
    auto run = feedSerial(a, stream, now);
    ASSERT_EQ(run.frames.size(), 1u);
    EXPECT_EQ(run.frames[0].bytes, frameOf(Bytes(stream.begin() + 1, stream.end())));
    EXPECT_TRUE(run.frames[0].intact);
    EXPECT_EQ(run.collected, 13);
}

TEST(SerialAssembler, BadChecksumStillReachesThePageFlagged) {
    SerialFrameAssembler a;
    std::int64_t now = 0;
    Bytes bad = ack2;
    bad[12] = 0xF8;
    auto run = feedSerial(a, bad, now);
    ASSERT_EQ(run.frames.size(), 1u);
    EXPECT_FALSE(run.frames[0].intact);
}

TEST(SerialAssembler, FalseStartResumesAtNextA5) {
    SerialFrameAssembler a;
    std::int64_t now = 0;
    // A5 00 is no frame start; eleven more bytes without A5; then a real frame.
    Bytes stream = {0xA5, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    stream.insert(stream.end(), reportC5.begin(), reportC5.end());
    auto run = feedSerial(a, stream, now);
    ASSERT_EQ(run.frames.size(), 1u);
    EXPECT_EQ(run.frames[0].bytes, frameOf(reportC5));

    // A stray A5 right before a frame: A5 A5 5B ... gives the frame, not a lost collection.
    Bytes doubled = {0xA5};
    doubled.insert(doubled.end(), ack2.begin(), ack2.end());
    run = feedSerial(a, doubled, now);
    ASSERT_EQ(run.frames.size(), 1u);
    EXPECT_EQ(run.frames[0].bytes, frameOf(ack2));
}

TEST(SerialAssembler, QuietLineDiscardsPartialFrame) {
    SerialFrameAssembler a;
    std::int64_t now = 0;
    // Seven bytes of a frame whose rest is lost, then quiet, then a whole frame.
    auto run = feedSerial(a, Bytes(ack2.begin(), ack2.begin() + 7), now);
    EXPECT_TRUE(run.frames.empty());
    now += SerialFrameAssembler::QuietGapMs;
    run = feedSerial(a, reportC5, now, 0);
    ASSERT_EQ(run.frames.size(), 1u);
    EXPECT_EQ(run.frames[0].bytes, frameOf(reportC5));

    // Without the quiet gap the partial frame swallows the next one's start (no frame at once).
    SerialFrameAssembler b;
    run = feedSerial(b, Bytes(ack2.begin(), ack2.begin() + 7), now);
    run = feedSerial(b, reportC5, now);
    EXPECT_EQ(run.frames.size(), 1u);
    EXPECT_NE(run.frames[0].bytes, frameOf(reportC5));
}

TEST(SerialAssembler, InteriorA5IsData) {
    SerialFrameAssembler a;
    std::int64_t now = 0;
    Frame f = buildFrame(command({0x01, 0x06, 0xA5, 0x5B, 0xA5, 0x41}));
    auto run = feedSerial(a, Bytes(f.begin(), f.end()), now);
    ASSERT_EQ(run.frames.size(), 1u);
    EXPECT_EQ(run.frames[0].bytes, f);
    EXPECT_TRUE(run.frames[0].intact);
}

TEST(TcpAssembler, SplitAndMergedReads) {
    TcpFrameAssembler a;
    // 5 bytes then 8 bytes: one frame after the second read.
    EXPECT_TRUE(a.feed(reportC5.data(), 5).empty());
    auto frames = a.feed(reportC5.data() + 5, 8);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], frameOf(reportC5));
    EXPECT_EQ(a.pendingCount(), 0u);

    // Two frames in one read of 26 bytes: both, in order.
    Bytes two = ack2;
    two.insert(two.end(), reportC5.begin(), reportC5.end());
    frames = a.feed(two.data(), two.size());
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], frameOf(ack2));
    EXPECT_EQ(frames[1], frameOf(reportC5));
}

TEST(TcpAssembler, StrayBytesDoNotMisalignLaterFrames) {
    TcpFrameAssembler a;
    Bytes stream = {0x00, 0x13};
    stream.insert(stream.end(), ack2.begin(), ack2.end());
    stream.push_back(0x77);
    stream.insert(stream.end(), reportC5.begin(), reportC5.begin() + 4);
    auto frames = a.feed(stream.data(), stream.size());
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], frameOf(ack2));
    EXPECT_EQ(a.pendingCount(), 4u); // the started frame waits for its tail
    frames = a.feed(reportC5.data() + 4, 9);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], frameOf(reportC5));
}

TEST(TcpAssembler, TrailingStartByteIsKeptAndGarbageIsNot) {
    TcpFrameAssembler a;
    const Bytes junk(1000, 0x42);
    EXPECT_TRUE(a.feed(junk.data(), junk.size()).empty());
    EXPECT_EQ(a.pendingCount(), 0u);
    const std::uint8_t start = 0xA5;
    EXPECT_TRUE(a.feed(&start, 1).empty());
    EXPECT_EQ(a.pendingCount(), 1u);
    auto frames = a.feed(ack2.data() + 1, 12);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], frameOf(ack2));
    a.feed(ack2.data(), 6);
    a.clear();
    EXPECT_TRUE(a.feed(reportC5.data() + 6, 7).empty());
}
