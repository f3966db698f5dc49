// The merge tool: section order, output name, scrambling, report lines, size refusals and a file
// that cannot be written, checked against literal bytes and texts.
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/FirmwareMerge.h"
#include "core/firmware/UpgradePlan.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace quorvane::firmware;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

namespace {

class FirmwareMergeTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) / ("fw_merge_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "main");
        fs::create_directories(dir / "panel");
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);
        fs::remove_all(dir, ec);
    }
    std::string write(const std::string& name, const Bytes& bytes) {
        const fs::path path = dir / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    static Bytes read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    std::string d(const std::string& sub = "") const { return (dir / sub).string(); }

    fs::path dir;
    FirmwareMerge merge;
};

TEST_F(FirmwareMergeTest, MainImageOnly) {
    const std::string main = write("main/app.img", {0x01, 0x02});
    ASSERT_EQ(merge.loadImage(0, main), FirmwareMerge::LoadResult::Loaded);
    const auto outcome = merge.merge();
    ASSERT_EQ(outcome.kind, FirmwareMerge::Outcome::Kind::Written);
    EXPECT_EQ(outcome.path, d("main/") + "Tarvexon_mm0.0.fw");
    // A5 5A 01 02 with the key 0x04 ^ 0xA7 = 0xA3.
    EXPECT_EQ(read(outcome.path), (Bytes{0x06, 0xF9, 0xA2, 0xA1}));
    EXPECT_EQ(outcome.messages, "Main MCU firmware:" + main +
                                    "\r\nSave MCU firmware Merged,Ver0.0\r\n"
                                    "Firmware merged complete,save to file:" +
                                    d("main/") + "Tarvexon_mm0.0.fw\r\n");
    EXPECT_EQ(merge.row(0).version1, "0");
    EXPECT_EQ(merge.row(0).version2, "0");
}

TEST_F(FirmwareMergeTest, AllFourRowsInOrderBesideThePanelImage) {
    ASSERT_EQ(merge.loadImage(0, write("main/a.img", {0x10})), FirmwareMerge::LoadResult::Loaded);
    ASSERT_EQ(merge.loadImage(1, write("s.bin", {0x20, 0x21})), FirmwareMerge::LoadResult::Loaded);
    ASSERT_EQ(merge.loadImage(2, write("i.bin", {0x30})), FirmwareMerge::LoadResult::Loaded);
    ASSERT_EQ(merge.loadImage(3, write("panel/p.bin", {0x40})), FirmwareMerge::LoadResult::Loaded);
    const auto outcome = merge.merge();
    ASSERT_EQ(outcome.kind, FirmwareMerge::Outcome::Kind::Written);
    EXPECT_EQ(outcome.path, d("panel/") + "Tarvexon_mm0.0_ms0.0_ir0.0_pnl0.0.fw");
    // 13 bytes, key 0x0D ^ 0xA7 = 0xAA.
    EXPECT_EQ(read(outcome.path), (Bytes{0x0F, 0xF0, 0xBA, 0x0E, 0xF1, 0x8A, 0x8B, 0x09, 0xF6, 0x9A,
                                         0x08, 0xF7, 0xEA}));
    EXPECT_NE(outcome.messages.find("Plane MCU3 firmware:" + d("panel/p.bin") +
                                    "\r\nSave MCU3 firmware Merged,Ver0.0\r\n"),
              std::string::npos);

    // Merged twice: the same bytes.
    const Bytes first = read(outcome.path);
    ASSERT_EQ(merge.merge().kind, FirmwareMerge::Outcome::Kind::Written);
    EXPECT_EQ(read(outcome.path), first);

    // Read back as a firmware file: markers and images unchanged.
    FirmwareFile file;
    ASSERT_EQ(file.loadFromPath(outcome.path), FirmwareFile::LoadResult::Loaded);
    EXPECT_EQ(file.bytes(), (Bytes{0xA5, 0x5A, 0x10, 0xA4, 0x5B, 0x20, 0x21, 0xA3, 0x5C, 0x30, 0xA2,
                                   0x5D, 0x40}));
    const auto markers = findMarkers(file);
    ASSERT_EQ(markers.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(markers[static_cast<std::size_t>(i)].part, i + 1);
}

TEST_F(FirmwareMergeTest, RowsWithoutImageAddNothingAndEmptyImageOnlyItsSuffix) {
    ASSERT_EQ(merge.loadImage(0, write("main/a.img", {0x10})), FirmwareMerge::LoadResult::Loaded);
    ASSERT_EQ(merge.loadImage(2, write("empty.bin", {})), FirmwareMerge::LoadResult::Loaded);
    const auto outcome = merge.merge();
    ASSERT_EQ(outcome.kind, FirmwareMerge::Outcome::Kind::Written);
    EXPECT_EQ(outcome.path, dir.string() + "/Tarvexon_mm0.0_ir0.0.fw");
    // A5 5A 10, key 0x03 ^ 0xA7 = 0xA4.
    EXPECT_EQ(read(outcome.path), (Bytes{0x01, 0xFE, 0xB4}));
}

TEST_F(FirmwareMergeTest, OtherRowsTakeOnlyLowerCaseBin) {
    const std::string upper = write("x.BIN", {0x01});
    EXPECT_EQ(merge.loadImage(1, upper), FirmwareMerge::LoadResult::NotAccepted);
    EXPECT_EQ(merge.loadImage(3, write("x.img", {0x01})), FirmwareMerge::LoadResult::NotAccepted);
    EXPECT_TRUE(merge.row(1).path.empty());
    EXPECT_EQ(merge.loadImage(0, upper), FirmwareMerge::LoadResult::Loaded);
    EXPECT_EQ(merge.loadImage(2, d("missing.bin")), FirmwareMerge::LoadResult::Unreadable);
}

TEST_F(FirmwareMergeTest, SizeLimitsAreEnforced) {
    EXPECT_EQ(merge.loadImage(0, write("big.img", Bytes(50001, 0x11))),
              FirmwareMerge::LoadResult::TooLarge);
    EXPECT_TRUE(merge.row(0).path.empty());
    for (int row = 0; row < 4; ++row) {
        ASSERT_EQ(
            merge.loadImage(row, write("full" + std::to_string(row) + ".bin", Bytes(50000, 0x22))),
            FirmwareMerge::LoadResult::Loaded);
    }
    // 4 x 50002 bytes is over the 200000 a firmware file may hold.
    const auto outcome = merge.merge();
    EXPECT_EQ(outcome.kind, FirmwareMerge::Outcome::Kind::TooLarge);
    EXPECT_FALSE(fs::exists(outcome.path));
    EXPECT_NE(outcome.messages.find("Merged firmware over 200000 bytes, not saved\r\n"),
              std::string::npos);
    EXPECT_EQ(outcome.messages.find("Firmware merged complete"), std::string::npos);
}

TEST_F(FirmwareMergeTest, UnwritableDirectoryIsReportedNeverClaimedDone) {
    ASSERT_EQ(merge.loadImage(0, write("main/a.img", {0x10})), FirmwareMerge::LoadResult::Loaded);
    fs::remove_all(dir / "main");
    const auto outcome = merge.merge();
    EXPECT_EQ(outcome.kind, FirmwareMerge::Outcome::Kind::WriteFailed);
    EXPECT_EQ(outcome.messages.find("Firmware merged complete"), std::string::npos);
    EXPECT_NE(outcome.messages.find("Firmware merge failed,cannot save to file:" + d("main/") +
                                    "Tarvexon_mm0.0.fw\r\n"),
              std::string::npos);
}

TEST_F(FirmwareMergeTest, NothingLoadedWritesNothing) {
    const auto outcome = merge.merge();
    EXPECT_EQ(outcome.kind, FirmwareMerge::Outcome::Kind::NothingToMerge);
    EXPECT_TRUE(outcome.messages.empty());
}

// Images holding a pair the part-end scan stops at (A3 or A4, then 5B or 5C) are refused, naming
// the image and the offset, and nothing is written; the main image may hold any bytes (a file
// that begins with it is sent whole as part 1).
TEST_F(FirmwareMergeTest, ImageWithAPairTheScanStopsAtIsRefused) {
    struct Row {
        const char* name;
        int row;             // the row that gets the special image
        std::size_t at;      // where the pair stands in it
        std::uint8_t a, b;   // the pair
        const char* refusal; // the report's last line, or "" when written
    };
    const std::vector<Row> rows = {
        {"slave image with A3 5C at 600", 1, 600, 0xA3, 0x5C,
         "Firmware merge refused: SLAVE holds A3 5C at offset 600, which the upgrade would take "
         "for the start of another section\r\n"},
        {"slave image with A4 5B at 0", 1, 0, 0xA4, 0x5B,
         "Firmware merge refused: SLAVE holds A4 5B at offset 0, which the upgrade would take for "
         "the start of another section\r\n"},
        {"IR image with A4 5C at its last two bytes", 2, 998, 0xA4, 0x5C,
         "Firmware merge refused: IR holds A4 5C at offset 998, which the upgrade would take for "
         "the start of another section\r\n"},
        {"panel image with A3 5B", 3, 17, 0xA3, 0x5B,
         "Firmware merge refused: PANEL holds A3 5B at offset 17, which the upgrade would take "
         "for the start of another section\r\n"},
        {"A2 5D in the IR image is no pair the scan stops at", 2, 5, 0xA2, 0x5D, ""},
        {"A3 as the last byte of the slave image, A3 5C follows as the IR marker", 1, 999, 0xA3,
         0xA3, ""},
        {"the main image may hold any pair", 0, 10, 0xA4, 0x5B, ""},
    };
    const char* names[4] = {"MAIN", "SLAVE", "IR", "PANEL"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FirmwareMerge m;
        for (int r = 0; r < 4; ++r) {
            Bytes image(1000, static_cast<std::uint8_t>(0x10 + r));
            if (r == row.row) {
                image[row.at] = row.a;
                if (row.at + 1 < image.size())
                    image[row.at + 1] = row.b;
            }
            // Rows 1..3 must end in ".bin"; the name shown is the path.
            ASSERT_EQ(m.setImage(r, d("panel/") + names[r], image),
                      FirmwareMerge::LoadResult::Loaded);
        }
        const std::string out = d("panel/") + "Tarvexon_mm0.0_ms0.0_ir0.0_pnl0.0.fw";
        fs::remove(out);
        const auto outcome = m.merge();
        const std::string refusal = row.refusal;
        if (refusal.empty()) {
            EXPECT_EQ(outcome.kind, FirmwareMerge::Outcome::Kind::Written);
            EXPECT_EQ(read(out).size(), 4u * 1002u);
            continue;
        }
        EXPECT_EQ(outcome.kind, FirmwareMerge::Outcome::Kind::MarkerInImage);
        EXPECT_EQ(outcome.refusedRow, row.row);
        const std::string expected = std::string(row.refusal);
        const std::string path = d("panel/") + names[row.row];
        // The report names the image by its path.
        std::string shown = expected;
        shown.replace(shown.find(names[row.row]), std::string(names[row.row]).size(), path);
        ASSERT_GE(outcome.messages.size(), shown.size());
        EXPECT_EQ(outcome.messages.substr(outcome.messages.size() - shown.size()), shown);
        EXPECT_FALSE(fs::exists(out));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "panel"), fs::directory_iterator()),
                  0);
    }
}

// A write that fails half-way (the file size limit of the process stands in for a full disk)
// leaves neither a partial file nor a temporary one, and an earlier file of that name as it was.
TEST_F(FirmwareMergeTest, FailedWriteLeavesNoPartialFile) {
    ASSERT_EQ(merge.setImage(0, d("main/") + "big.img", Bytes(40000, 0x21)),
              FirmwareMerge::LoadResult::Loaded);
    const std::string out = d("main/") + "Tarvexon_mm0.0.fw";
    const Bytes earlier = {0x01, 0x02, 0x03};
    write("main/Tarvexon_mm0.0.fw", earlier);

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 10000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto outcome = merge.merge();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(outcome.kind, FirmwareMerge::Outcome::Kind::WriteFailed);
    EXPECT_EQ(read(out), earlier);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir / "main"))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, (std::vector<std::string>{"Tarvexon_mm0.0.fw"}));

    // Without the limit the same merge replaces the file whole.
    const auto again = merge.merge();
    EXPECT_EQ(again.kind, FirmwareMerge::Outcome::Kind::Written);
    EXPECT_EQ(read(out).size(), 40002u);
}

} // namespace
