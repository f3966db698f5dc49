// The EDID file check, case by case, and the summary of one real monitor's EDID read field by
// field (values as an independent decoder reads them).
#include "core/edid/EdidFile.h"
#include "core/edid/EdidSummary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using namespace quorvane::edid;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

const fs::path DataDir = QUORVANE_EDID_REAL_DIR;

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A 256-byte EDID with one CTA-861 extension, and a 128-byte one without.
Bytes twoBlocks() {
    return readFile(DataDir / "good" / "Digital_AOC2402_3EA18B594102.bin");
}
Bytes oneBlock() {
    return readFile(DataDir / "good" / "Digital_PHLC08B_786FB684A91E.bin");
}

// Makes the 128-byte block at `offset` sum to 0 again after a change.
void fixChecksum(Bytes& b, std::size_t offset) {
    unsigned sum = 0;
    for (std::size_t i = offset; i < offset + 127; ++i)
        sum += b[i];
    b[offset + 127] = static_cast<std::uint8_t>((0x100 - (sum & 0xFF)) & 0xFF);
}

FileCheck check(const Bytes& b) {
    return checkEdidFile(b.data(), b.size());
}

TEST(EdidFile, GoodFilesOfOneAndTwoBlocksAreTaken) {
    const Bytes two = twoBlocks();
    ASSERT_EQ(two.size(), 256u);
    const FileCheck c2 = check(two);
    EXPECT_TRUE(c2.accepted());
    EXPECT_EQ(c2.acceptedBytes, 256u);
    EXPECT_TRUE(std::equal(two.begin(), two.end(), c2.edid.begin()));
    EXPECT_EQ(faultMessage(c2.fault), "");

    const Bytes one = oneBlock();
    ASSERT_EQ(one.size(), 128u);
    const FileCheck c1 = check(one);
    EXPECT_TRUE(c1.accepted());
    EXPECT_EQ(c1.acceptedBytes, 128u);
    EXPECT_TRUE(std::equal(one.begin(), one.end(), c1.edid.begin()));
    // The extension half is zero, not left over from anything.
    for (std::size_t i = 128; i < 256; ++i)
        ASSERT_EQ(c1.edid[i], 0) << i;
}

TEST(EdidFile, LengthsOtherThan128Or256AreRefusedAtOnce) {
    Bytes b = twoBlocks();
    for (std::size_t size : {0u, 1u, 127u, 129u, 255u, 257u, 384u}) {
        b.resize(size, 0);
        const FileCheck c = check(b);
        EXPECT_EQ(c.fault, FileFault::Length) << size;
        EXPECT_EQ(faultMessage(c.fault), "Please select the correct EDID file!");
    }
    Bytes odd = twoBlocks();
    odd.resize(255);
    EXPECT_EQ(faultDetail(check(odd)), "The file is 255 bytes long; an EDID file has 128 or 256.");
}

TEST(EdidFile, HeaderAndChecksumFaultsNameTheByte) {
    Bytes b = twoBlocks();
    b[3] = 0xFE;
    FileCheck c = check(b);
    EXPECT_EQ(c.fault, FileFault::Header);
    EXPECT_EQ(c.byte, 3u);
    EXPECT_EQ(faultDetail(c),
              "No EDID header: byte 3 is FE (the header is 00 FF FF FF FF FF FF 00).");
    EXPECT_EQ(faultMessage(c.fault), "Please select the correct EDID file!");

    b = twoBlocks();
    b[40] ^= 0x01;
    c = check(b);
    EXPECT_EQ(c.fault, FileFault::BaseChecksum);
    EXPECT_EQ(c.byte, 127u);
    EXPECT_EQ(faultMessage(c.fault), "Please select the correct EDID file!");

    // A good base block with a second block that does not sum to 0.
    b = twoBlocks();
    b[200] = static_cast<std::uint8_t>(b[200] + 3);
    c = check(b);
    EXPECT_EQ(c.fault, FileFault::ExtensionChecksum);
    EXPECT_EQ(c.byte, 255u);
    EXPECT_EQ(c.value, 3);
    EXPECT_EQ(faultDetail(c), "Extension block checksum wrong: bytes 128..255 sum to 03, not 00 "
                              "(byte 255).");
    EXPECT_EQ(faultMessage(c.fault), "Please select the correct EDID file!");
}

TEST(EdidFile, ExtensionCountMustMatchTheBlocksHeld) {
    // 128 bytes announcing an extension that is not there: refused, nothing stale completes it.
    Bytes one = oneBlock();
    one[126] = 1;
    fixChecksum(one, 0);
    FileCheck c = check(one);
    EXPECT_EQ(c.fault, FileFault::MissingExtension);
    EXPECT_EQ(c.byte, 126u);
    EXPECT_EQ(faultMessage(c.fault), "Please select the correct EDID file!");

    // 256 bytes whose base block announces no extension (an over-read repeating the EDID).
    Bytes two = twoBlocks();
    two[126] = 0;
    fixChecksum(two, 0);
    c = check(two);
    EXPECT_EQ(c.fault, FileFault::UnannouncedBlock);
    EXPECT_EQ(faultMessage(c.fault), "Please select the correct EDID file!");

    // Two or more extensions: refused with a message that says why.
    for (std::uint8_t count : {2, 3, 0xFF}) {
        two = twoBlocks();
        two[126] = count;
        fixChecksum(two, 0);
        c = check(two);
        EXPECT_EQ(c.fault, FileFault::TooManyExtensions);
        EXPECT_EQ(c.value, count);
        EXPECT_EQ(faultMessage(c.fault), "The matrix takes one EDID extension block at most!");
    }
    one = oneBlock();
    one[126] = 2;
    fixChecksum(one, 0);
    EXPECT_EQ(check(one).fault, FileFault::TooManyExtensions);
}

TEST(EdidSummary, ReadsTheFieldsOfARealMonitor) {
    const Bytes b = twoBlocks();
    const auto s = decodeEdid(b.data(), b.size());
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->manufacturer, "AOC");
    EXPECT_EQ(s->productCode, 9218);
    EXPECT_EQ(s->serialNumber, 2033u);
    EXPECT_EQ(s->week, 10);
    EXPECT_EQ(s->year, 2023);
    EXPECT_FALSE(s->modelYear);
    EXPECT_EQ(s->version, 1);
    EXPECT_EQ(s->revision, 4);
    EXPECT_EQ(s->monitorName, "24G2W1G3-");
    ASSERT_TRUE(s->preferred.has_value());
    EXPECT_EQ(s->preferred->hActive, 1920);
    EXPECT_EQ(s->preferred->vActive, 1080);
    EXPECT_EQ(s->preferred->pixelClockKHz, 148500);
    EXPECT_NEAR(s->preferred->refreshHz, 60.0, 1e-6);
    ASSERT_EQ(s->audio.size(), 1u);
    EXPECT_EQ(s->audio[0].code, 1);
    EXPECT_EQ(s->audio[0].channels, 2);
    EXPECT_EQ(s->audio[0].sampleRatesHz, (std::vector<int>{48000, 44100, 32000}));
    EXPECT_EQ(s->vics, (std::vector<int>{1, 3, 5, 20, 4, 19, 31, 18, 2, 17, 16, 63}));

    EXPECT_EQ(summaryLines(*s), (std::vector<std::string>{
                                    "Manufacturer: AOC, product code 9218, serial number 2033",
                                    "Made in week 10 of 2023, EDID version 1.4",
                                    "Monitor name: 24G2W1G3-",
                                    "Preferred timing: 1920x1080 at 60.00 Hz, 148.50 MHz",
                                    "Audio: Linear PCM, 2 channels, 48 44.1 32 kHz",
                                    "Video codes (VIC): 1 3 5 20 4 19 31 18 2 17 16 63",
                                }));
}

TEST(EdidSummary, ModelYearAndMissingPartsAndShortInput) {
    Bytes b = oneBlock();
    b[16] = 0xFF; // week: the year is a model year
    b[17] = 25;
    const auto s = decodeEdid(b.data(), b.size());
    ASSERT_TRUE(s.has_value());
    EXPECT_TRUE(s->modelYear);
    EXPECT_EQ(s->year, 2015);
    EXPECT_FALSE(s->hasCta);
    EXPECT_EQ(summaryLines(*s)[1].rfind("Model year 2015, EDID version", 0), 0u);

    EXPECT_FALSE(decodeEdid(b.data(), 127).has_value());
    b[0] = 0x01;
    EXPECT_FALSE(decodeEdid(b.data(), b.size()).has_value());

    // A CTA block whose data block runs past the timing offset is read no further.
    Bytes two = twoBlocks();
    two[128 + 4] = 0x5F; // a video data block claiming 31 bytes
    two[128 + 2] = 10;   // timings from byte 10
    const auto cut = decodeEdid(two.data(), two.size());
    ASSERT_TRUE(cut.has_value());
    EXPECT_TRUE(cut->hasCta);
    EXPECT_TRUE(cut->vics.empty());
    EXPECT_TRUE(cut->audio.empty());
}

} // namespace

namespace {

// The monitor name reaches terminals (quorvane-cli edid show) and windows: bytes outside printable
// ASCII are written as \xNN, the backslash too, and nothing else changes.
TEST(EdidSummary, MonitorNameBytesOutsidePrintableAsciiAreEscaped) {
    const struct {
        const char* what;
        Bytes name; // up to 13 bytes after the descriptor header
        const char* shown;
    } rows[] = {
        {"plain", {'P', 'l', 'a', 'i', 'n', ' ', '1', '-', '2', 0x0A}, "Plain 1-2"},
        {"terminal colour", {'A', 'B', 0x1B, '[', '3', '1', 'm', 'C', 0x0A}, "AB\\x1B[31mC"},
        {"title escape", {0x1B, ']', '0', ';', 'x', 0x07, 0x0A}, "\\x1B]0;x\\x07"},
        {"high bytes", {0x80, 0xFF, 'z', 0x9B, 0x0A}, "\\x80\\xFFz\\x9B"},
        {"delete and tab", {0x7F, 0x09, '~', 0x0A}, "\\x7F\\x09~"},
        {"backslash", {'a', '\\', 'b', 0x0A}, "a\\x5Cb"},
        {"carriage return", {'o', 'k', 0x0D, 'x', 0x0A}, "ok\\x0Dx"},
    };
    const Bytes original = twoBlocks();
    std::size_t nameAt = 0;
    for (std::size_t offset : {54u, 72u, 90u, 108u}) {
        if (original[offset] == 0 && original[offset + 1] == 0 && original[offset + 3] == 0xFC)
            nameAt = offset + 5;
    }
    ASSERT_NE(nameAt, 0u) << "the sample EDID has no name descriptor";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes b = original;
        std::fill(b.begin() + static_cast<long>(nameAt), b.begin() + static_cast<long>(nameAt) + 13,
                  0x20);
        std::copy(row.name.begin(), row.name.end(), b.begin() + static_cast<long>(nameAt));
        fixChecksum(b, 0);
        ASSERT_TRUE(check(b).accepted());
        const auto s = decodeEdid(b.data(), b.size());
        ASSERT_TRUE(s.has_value());
        EXPECT_EQ(s->monitorName, row.shown);
        EXPECT_EQ(summaryLines(*s)[2], std::string("Monitor name: ") + row.shown);
    }
}

} // namespace
