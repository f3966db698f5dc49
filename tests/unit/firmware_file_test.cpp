// The firmware file: unscrambling with the key byte, the part end scan, the parts an upgrade sends
// and the blocks it copies out, with literal bytes.
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareMerge.h"
#include "core/firmware/UpgradePlan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace quorvane::firmware;
using Bytes = std::vector<std::uint8_t>;

namespace {

FirmwareFile plainFile(Bytes bytes) {
    FirmwareFile file;
    file.setPlain(std::move(bytes));
    return file;
}

TEST(FirmwareFileTest, ReadingUnscramblesWithTheLowLengthByteAndTheConstant) {
    // Four bytes: key = 0x04 ^ 0xA7 = 0xA3.
    FirmwareFile file;
    ASSERT_EQ(file.loadScrambled({0x06, 0xF9, 0xA2, 0xA1}), FirmwareFile::LoadResult::Loaded);
    EXPECT_EQ(file.bytes(), (Bytes{0xA5, 0x5A, 0x01, 0x02}));

    // 0x103 bytes: the key takes the low byte only, 0x03 ^ 0xA7 = 0xA4.
    Bytes stored(0x103, 0xA4);
    stored[0] = 0x00;
    ASSERT_EQ(file.loadScrambled(stored), FirmwareFile::LoadResult::Loaded);
    EXPECT_EQ(file.length(), 0x103u);
    EXPECT_EQ(file.at(0), 0xA4);
    EXPECT_EQ(file.at(1), 0x00);
    EXPECT_EQ(file.at(0x102), 0x00);
}

TEST(FirmwareFileTest, FileOverTheBufferIsRefusedAndTheEarlierOneStays) {
    FirmwareFile file;
    ASSERT_EQ(file.loadScrambled({0x06, 0xF9, 0xA2, 0xA1}), FirmwareFile::LoadResult::Loaded);
    EXPECT_EQ(file.loadScrambled(Bytes(200001, 0)), FirmwareFile::LoadResult::TooLarge);
    EXPECT_EQ(file.bytes(), (Bytes{0xA5, 0x5A, 0x01, 0x02}));
    EXPECT_EQ(file.loadScrambled(Bytes(200000, 0)), FirmwareFile::LoadResult::Loaded);
    EXPECT_EQ(file.length(), 200000u);
}

TEST(FirmwareFileTest, ShorterFileLeavesNothingOfTheLongerOneBehind) {
    FirmwareFile file;
    file.setPlain(Bytes(600, 0x77));
    ASSERT_EQ(file.loadScrambled({0x06, 0xF9, 0xA2, 0xA1}), FirmwareFile::LoadResult::Loaded);
    // Block 0 of part 1: 01 02 and 254 bytes of 00, never the 77s of the earlier file.
    const Block block = file.block(0, 0);
    ASSERT_EQ(block.size(), 257u);
    EXPECT_EQ(block[0], 0xFD);
    EXPECT_EQ(block[1], 0x01);
    EXPECT_EQ(block[2], 0x02);
    for (std::size_t i = 3; i < block.size(); ++i)
        ASSERT_EQ(block[i], 0x00) << i;
}

// A firmware file or a merge image that is not a regular file is refused without being opened:
// a FIFO with no writer would hold the window's thread, a device could be acted on by the open.
TEST(FirmwareFileTest, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
    const std::string folder =
        ::testing::TempDir() + "fw_not_regular_" + std::to_string(getpid()) + "/";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string fifo = folder + "image.bin";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string subfolder = folder + "folder.bin";
    ASSERT_EQ(::mkdir(subfolder.c_str(), 0700), 0);
    for (const std::string& path : {fifo, subfolder, std::string("/dev/null")}) {
        FirmwareFile file;
        EXPECT_EQ(file.loadFromPath(path), FirmwareFile::LoadResult::Unreadable) << path;
        FirmwareMerge merge;
        EXPECT_EQ(merge.loadImage(0, path), FirmwareMerge::LoadResult::Unreadable) << path;
        if (path != "/dev/null") {
            EXPECT_EQ(merge.loadImage(1, path), FirmwareMerge::LoadResult::Unreadable) << path;
        }
    }
    ::rmdir(subfolder.c_str());
    std::remove(fifo.c_str());
    ::rmdir(folder.c_str());
}

TEST(FirmwareFileTest, LoadsFromDiskAndRefusesWhatCannotBeRead) {
    const std::string path =
        ::testing::TempDir() + "fw_file_test_" + std::to_string(getpid()) + ".fw";
    {
        std::ofstream out(path, std::ios::binary);
        const char bytes[] = {0x06, static_cast<char>(0xF9), static_cast<char>(0xA2),
                              static_cast<char>(0xA1)};
        out.write(bytes, sizeof bytes);
    }
    FirmwareFile file;
    EXPECT_EQ(file.loadFromPath(path), FirmwareFile::LoadResult::Loaded);
    EXPECT_EQ(file.bytes(), (Bytes{0xA5, 0x5A, 0x01, 0x02}));
    std::remove(path.c_str());
    EXPECT_EQ(file.loadFromPath(path), FirmwareFile::LoadResult::Unreadable);
    EXPECT_EQ(file.length(), 4u);
}

TEST(FirmwareFileTest, ScanFindsTheFourPairsButNeverThePanelOrMainMarker) {
    const FirmwareFile file = plainFile(
        {0xA4, 0x5B, 0xA2, 0x5D, 0xA5, 0x5A, 0xA3, 0x5B, 0x00, 0xA4, 0x5C, 0xA3, 0x5C, 0xA4});
    EXPECT_EQ(file.scanPartEnd(2), 6u);   // A3 5B counts, A2 5D and A5 5A do not
    EXPECT_EQ(file.scanPartEnd(7), 9u);   // A4 5C
    EXPECT_EQ(file.scanPartEnd(10), 11u); // A3 5C
    // A4 as the last byte of the file: its partner would lie past the end.
    EXPECT_EQ(file.scanPartEnd(12), 14u);
    EXPECT_EQ(file.scanPartEnd(0), 0u);
    EXPECT_EQ(file.scanPartEnd(100), 14u);
}

TEST(FirmwareFileTest, MainImageFirstIsSentWholeAsPartOne) {
    const FirmwareFile file =
        plainFile({0xA5, 0x5A, 0x11, 0x22, 0xA4, 0x5B, 0x33, 0xA3, 0x5C, 0x44});
    const UpgradePlan plan = planUpgrade(file);
    ASSERT_EQ(plan.parts.size(), 1u);
    EXPECT_EQ(plan.parts[0].part, 1);
    EXPECT_EQ(plan.parts[0].start, 0u);
    EXPECT_EQ(plan.parts[0].end, 10u);
    EXPECT_FALSE(plan.stoppedAt);
    // Yet the file holds three sections.
    const auto markers = findMarkers(file);
    ASSERT_EQ(markers.size(), 3u);
    EXPECT_EQ(markers[1].part, 2);
    EXPECT_EQ(markers[1].start, 4u);
    EXPECT_EQ(markers[1].imageSize(), 1u);
}

TEST(FirmwareFileTest, SlaveThenIrWithThePanelInsidePartThree) {
    const FirmwareFile file =
        plainFile({0xA4, 0x5B, 0x01, 0x02, 0xA3, 0x5C, 0x03, 0xA2, 0x5D, 0x04, 0x05});
    const UpgradePlan plan = planUpgrade(file);
    ASSERT_EQ(plan.parts.size(), 2u);
    EXPECT_EQ(plan.parts[0].part, 2);
    EXPECT_EQ(plan.parts[0].start, 0u);
    EXPECT_EQ(plan.parts[0].end, 4u);
    EXPECT_EQ(plan.parts[1].part, 3);
    EXPECT_EQ(plan.parts[1].start, 4u);
    EXPECT_EQ(plan.parts[1].end, 11u);
    EXPECT_FALSE(plan.stoppedAt);
}

TEST(FirmwareFileTest, PlanStopsWhereNoMarkerStands) {
    EXPECT_EQ(planUpgrade(plainFile({})).stoppedAt, 0u);
    EXPECT_EQ(planUpgrade(plainFile({0x00, 0x00, 0xA4, 0x5B})).stoppedAt, 0u);
    // A4 5C ends part 2 but starts no part.
    const UpgradePlan plan = planUpgrade(plainFile({0xA4, 0x5B, 0x01, 0xA4, 0x5C, 0x02}));
    ASSERT_EQ(plan.parts.size(), 1u);
    EXPECT_EQ(plan.stoppedAt, 3u);
    // Panel alone: part 4 to the end.
    const UpgradePlan panel = planUpgrade(plainFile({0xA2, 0x5D, 0x09}));
    ASSERT_EQ(panel.parts.size(), 1u);
    EXPECT_EQ(panel.parts[0].part, 4);
    EXPECT_EQ(panel.parts[0].end, 3u);
}

TEST(FirmwareFileTest, BlocksCarryTheirCheckByteAndFollowingBytes) {
    Bytes bytes{0xA4, 0x5B};
    for (int i = 0; i < 300; ++i)
        bytes.push_back(static_cast<std::uint8_t>(i));
    bytes.push_back(0xA3);
    bytes.push_back(0x5C);
    bytes.push_back(0xEE);
    const FirmwareFile file = plainFile(bytes);
    const Block first = file.block(0, 0);
    // Sum of 0..255 = 32640 = 0x7F80, low byte 80: check byte 0x80.
    EXPECT_EQ(first[0], 0x80);
    EXPECT_EQ(first[1], 0x00);
    EXPECT_EQ(first[256], 0xFF);
    // The last block of part 2 holds 256..299 (2C) and then the bytes that follow in the file: the
    // IR marker and its image, then zeros past the end of the file.
    const Block last = file.block(0, 1);
    EXPECT_EQ(last[1], 0x00);  // 256 as a byte
    EXPECT_EQ(last[44], 0x2B); // 299
    EXPECT_EQ(last[45], 0xA3);
    EXPECT_EQ(last[46], 0x5C);
    EXPECT_EQ(last[47], 0xEE);
    EXPECT_EQ(last[48], 0x00);
    unsigned sum = 0;
    for (std::uint8_t b : last)
        sum += b;
    EXPECT_EQ(sum & 0xFFu, 0u);
}

// Blocks that go out per part: n + 1 for the last block index n = image size / 256, less the 15
// blocks 241..255 of every bank the main image's bank switch passes; and the files the plan
// refuses, with the reason naming the part.
TEST(FirmwareFileTest, PlanCountsTheBlocksThatGoOutAndRefusesWhatCannotBeSentWhole) {
    struct Row {
        const char* name;
        Bytes file;
        std::size_t sent, skipped; // of the first part
        const char* refusal;
    };
    auto section = [](std::uint8_t a, std::uint8_t b, std::size_t size, std::uint8_t fill = 0x01) {
        Bytes out{a, b};
        out.insert(out.end(), size, fill);
        return out;
    };
    auto join = [](Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    Bytes slaveWithPair = section(0xA4, 0x5B, 1000);
    slaveWithPair[602] = 0xA4;
    slaveWithPair[603] = 0x5C;
    const std::vector<Row> rows = {
        {"a 200,000-byte main file: 782 block indexes, 45 skipped", section(0xA5, 0x5A, 199998),
         737, 45, ""},
        {"a slave image of two whole blocks ends with a block of fill", section(0xA4, 0x5B, 512), 3,
         0, ""},
        {"main image whose last block is 240", section(0xA5, 0x5A, 240 * 256 + 10), 241, 0, ""},
        {"main image across one bank switch", section(0xA5, 0x5A, 260 * 256), 246, 15, ""},
        {"main image ending in block 245, which the bank switch skips", section(0xA5, 0x5A, 62730),
         241, 5,
         "part 1 (main processor): its last block (245) lies in blocks 241..255 of a bank, which "
         "the bank switch skips"},
        {"a marker pair inside the slave image", slaveWithPair, 3, 0,
         "part 2 (slave processor 1): the part-end scan stops at offset 602 (A4 5C), which starts "
         "no part"},
        {"a slave section behind the IR section",
         join(section(0xA3, 0x5C, 300), section(0xA4, 0x5B, 300)), 2, 0,
         "part 2 (slave processor 1): found behind part 3, where the file can hold no such part"},
        {"an empty slave image", join(section(0xA4, 0x5B, 0), section(0xA3, 0x5C, 300)), 1, 0,
         "part 2 (slave processor 1): its image is empty"},
        {"the panel image alone", section(0xA2, 0x5D, 300), 2, 0,
         "part 4 (panel processor 3): the matrix does not answer its upgrade"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const UpgradePlan plan = planUpgrade(plainFile(row.file));
        ASSERT_FALSE(plan.parts.empty());
        EXPECT_EQ(plan.parts[0].blocksSent(), row.sent);
        EXPECT_EQ(plan.parts[0].blocksSkipped(), row.skipped);
        EXPECT_EQ(plan.refusal, row.refusal);
        EXPECT_EQ(plan.sendable(), std::string(row.refusal).empty());
    }
}

} // namespace
