// EDID files on the EDID page and their download against the simulated matrix in virtual time,
// over COM and TCP: the file checks as the page applies them, the download's exact order and
// timing, its results, the data time-out, and a connection lost before the block.
#include "edid_page_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace quorvane;
using namespace quorvane::test;
namespace f = quorvane::test::edidframes;

namespace {

using Frames = std::vector<Bytes>;

const char* const TwoBlockFile = "good/Digital_AOC2402_3EA18B594102.bin";
const char* const OneBlockFile = "good/Digital_PHLC08B_786FB684A91E.bin";

// The log text of `bytes` as the traffic logs write them.
std::string logText(const Bytes& bytes) {
    std::string text;
    char cell[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(cell, sizeof cell, "%02X ", bytes[i]);
        text += cell;
        if (i % 13 == 12)
            text += "\r\n";
    }
    return text;
}

// A log text without its line breaks.
std::string unbroken(std::string text) {
    std::erase(text, '\r');
    std::erase(text, '\n');
    return text;
}

// Writes `bytes` to a file in the test's temporary folder and returns its path.
std::string tempFile(const std::string& name, const Bytes& bytes) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("quorvane-edid-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

TEST_P(EdidPageTest, DownloadToIn5GoesInItsExactOrder) {
    start();
    const Bytes file = readFile(TwoBlockFile);
    page->openFile(realFile(TwoBlockFile));
    ASSERT_EQ(page->filePath(), realFile(TwoBlockFile));
    page->selectDownloadTarget(4);
    page->clickDownload();
    EXPECT_EQ(view.busy, "Downloading . . .");
    clock.advance(1000);

    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(received[0].second, f::handshake);
    EXPECT_EQ(received[1].second, f::downloadToIn5);
    EXPECT_EQ(received[2].second, f::announceOne);
    // The block, 200 ms after its announcement, in one piece: 00, the EDID, 33 zero bytes.
    EXPECT_EQ(received[3].first - received[2].first, 200);
    Bytes block{0x00};
    block.insert(block.end(), file.begin(), file.end());
    block.resize(290, 0x00);
    EXPECT_EQ(received[3].second, block);
    EXPECT_EQ(Bytes(received[3].second.begin(), received[3].second.begin() + 9),
              (Bytes{0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(received[4].second, f::nameQuery(5));

    EXPECT_EQ(view.messages, std::vector<std::string>{"Download successfully!"});
    EXPECT_EQ(page->inputName(5), "User define");
    EXPECT_EQ(page->inputName(4), "1080p,Stereo Audio 2.0");
    EXPECT_EQ(page->operation(), EdidPage::Operation::Download);
    EXPECT_FALSE(page->busy());
    EXPECT_FALSE(view.busyUp);
    EXPECT_EQ(events.busy, std::vector<bool>{false});
    EXPECT_TRUE(device.state().edidDownloaded[4]);
    // The block is echoed into the send log after its announcement.
    EXPECT_NE(unbroken(page->link().sendLog().text())
                  .find(unbroken(logText(f::announceOne)) + unbroken(logText(block))),
              std::string::npos);
}

TEST_P(EdidPageTest, DownloadToAllInputsReadsAllNamesBack) {
    start();
    page->openFile(realFile(TwoBlockFile));
    page->selectDownloadTarget(8);
    page->clickDownload();
    clock.advance(1000);
    Frames frames = toMatrix();
    ASSERT_EQ(frames.size(), 12u);
    EXPECT_EQ(Frames(frames.begin(), frames.begin() + 3),
              (Frames{f::handshake, f::downloadToAll, f::announceAll}));
    EXPECT_EQ(Frames(frames.begin() + 4, frames.end()), allNameQueries());
    EXPECT_EQ(page->operation(), EdidPage::Operation::NameRefresh);
    for (int input = 1; input <= 8; ++input)
        EXPECT_EQ(page->inputName(input), "User define");
}

TEST_P(EdidPageTest, DownloadResults) {
    start();
    page->openFile(realFile(TwoBlockFile));

    // FF: "Download failed!", nothing read back.
    device.faults().edidDownloadFails = true;
    page->clickDownload();
    clock.advance(1000);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Download failed!"});
    EXPECT_EQ(toMatrix().size(), 4u);
    EXPECT_FALSE(page->busy());
    clock.advance(1500);

    // 01: ends silently.
    device.faults().edidDownloadFails = false;
    device.faults().edidBlockUnanswered = true;
    view.messages.clear();
    page->clickDownload();
    clock.advance(1000);
    EXPECT_TRUE(page->busy());
    feed(f::downloadResultOdd);
    EXPECT_FALSE(page->busy());
    EXPECT_FALSE(view.busyUp);
    EXPECT_TRUE(view.messages.empty());
    clock.advance(10000);
    EXPECT_TRUE(view.messages.empty());
}

TEST_P(EdidPageTest, DataTimeOutFiveSecondsAfterTheBlock) {
    start();
    page->openFile(realFile(TwoBlockFile));
    device.faults().edidBlockUnanswered = true;
    page->clickDownload();
    clock.advance(300);
    ASSERT_EQ(received.size(), 4u);
    const std::int64_t blockAt = received[3].first;
    clock.advance(blockAt + 4999 - clock.nowMs());
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(page->busy());
    clock.advance(1);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Time out!"});
    EXPECT_FALSE(page->busy());
    EXPECT_FALSE(view.busyUp);
    EXPECT_EQ(events.busy, std::vector<bool>{false});
    // The block is not sent again.
    received.clear();
    clock.advance(20000);
    EXPECT_TRUE(toMatrix().empty());
}

TEST_P(EdidPageTest, DownloadNeedsAFile) {
    start();
    page->clickDownload();
    EXPECT_EQ(view.messages, std::vector<std::string>{"Select the file!"});
    clock.advance(1000);
    EXPECT_TRUE(toMatrix().empty());
    EXPECT_FALSE(page->busy());
}

INSTANTIATE_TEST_SUITE_P(Links, EdidPageTest, ::testing::Values(ControlMode::Com, ControlMode::Tcp),
                         linkName);

TEST_F(EdidPageEntryTest, ConnectionLostBeforeTheBlockEndsTheDownload) {
    start(ControlMode::Tcp);
    page->openFile(realFile(TwoBlockFile));
    // The matrix closes the connection right after its ready reply.
    device.faults().closeAfterReply = device.replyCount() + 2;
    page->clickDownload();
    clock.advance(1000);
    EXPECT_EQ(toMatrix(), (Frames{f::handshake, f::downloadToIn1, f::announceOne}));
    EXPECT_EQ(view.messages, std::vector<std::string>{"Connect to Matrix failed!"});
    EXPECT_FALSE(page->busy());
    EXPECT_FALSE(view.busyUp);
    EXPECT_EQ(events.busy, std::vector<bool>{false});
    clock.advance(20000);
    EXPECT_EQ(view.messages.size(), 1u);
}

// --- Files ---

TEST_F(EdidPageEntryTest, OneBlockFileIsEchoedAndSentWithAZeroExtension) {
    start(ControlMode::Com);
    // A two-block file first, so the buffer's extension half is not zero.
    page->openFile(realFile(TwoBlockFile));
    const Bytes one = readFile(OneBlockFile);
    const std::size_t logBefore = page->link().sendLog().text().size();
    page->openFile(realFile(OneBlockFile));
    EXPECT_EQ(page->filePath(), realFile(OneBlockFile));
    // The 128 accepted bytes are echoed into the send log, 13 to a line.
    EXPECT_EQ(unbroken(page->link().sendLog().text().substr(logBefore)), unbroken(logText(one)));
    EXPECT_TRUE(view.messages.empty());

    page->clickDownload();
    clock.advance(1000);
    ASSERT_GE(received.size(), 4u);
    Bytes block{0x00};
    block.insert(block.end(), one.begin(), one.end());
    block.resize(290, 0x00);
    EXPECT_EQ(received[3].second, block);
}

TEST_F(EdidPageEntryTest, RefusedFilesKeepTheEdidAndSayWhy) {
    start(ControlMode::Com);
    page->openFile(realFile(TwoBlockFile));
    const auto loaded = page->edidBuffer();
    const std::string path = page->filePath();
    ASSERT_EQ(page->fileSummary().front(),
              "Manufacturer: AOC, product code 9218, serial number 2033");

    const Bytes good = readFile(TwoBlockFile);
    Bytes badExtension = good;
    badExtension[200] ^= 0x10;
    Bytes twoExtensions = good;
    twoExtensions[126] = 2;
    twoExtensions[127] = static_cast<std::uint8_t>(twoExtensions[127] - 1);
    Bytes oneBlockAnnouncingOne = readFile(OneBlockFile);
    oneBlockAnnouncingOne[126] = 1;
    oneBlockAnnouncingOne[127] = static_cast<std::uint8_t>(oneBlockAnnouncingOne[127] - 1);
    const struct {
        const char* name;
        Bytes bytes;
        const char* message;
        const char* detail;
    } cases[] = {
        {"bad-extension.bin", badExtension, "Please select the correct EDID file!",
         "Extension block checksum wrong: bytes 128..255 sum to 10, not 00 (byte 255)."},
        {"short.bin", Bytes(good.begin(), good.begin() + 255),
         "Please select the correct EDID file!",
         "The file is 255 bytes long; an EDID file has 128 or 256."},
        {"long.BIN",
         [&] {
             Bytes b = good;
             b.push_back(0);
             return b;
         }(),
         "Please select the correct EDID file!",
         "The file is 257 bytes long; an EDID file has 128 or 256."},
        {"two-extensions.bin", twoExtensions, "The matrix takes one EDID extension block at most!",
         "Byte 126 announces 2 extension blocks; the matrix takes one at most."},
        {"missing-extension.bin", oneBlockAnnouncingOne, "Please select the correct EDID file!",
         "Byte 126 announces 1 extension block, but the file holds the base block only."},
    };
    const std::vector<std::string> loadedSummary = page->fileSummary();
    const auto expectKept = [&] {
        EXPECT_EQ(page->edidBuffer(), loaded);
        EXPECT_EQ(page->filePath(), path);
        // The summary stays that of the file a download sends.
        EXPECT_EQ(page->fileSummary(), loadedSummary);
        const auto shown = page->summaryShown();
        ASSERT_EQ(shown.size(), 3 + loadedSummary.size());
        EXPECT_EQ(shown[2], "Still loaded: Digital_AOC2402_3EA18B594102.bin");
        EXPECT_EQ(shown[3], "Manufacturer: AOC, product code 9218, serial number 2033");
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        view.messages.clear();
        const std::size_t logBefore = page->link().sendLog().text().size();
        page->openFile(tempFile(c.name, c.bytes));
        EXPECT_EQ(view.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(page->fileRefusal(),
                  (std::vector<std::string>{std::string("Not loaded: quorvane-edid-") +
                                                std::to_string(::getpid()) + "-" + c.name,
                                            c.detail}));
        expectKept();
        EXPECT_EQ(page->link().sendLog().text().size(), logBefore);
        std::filesystem::remove(tempFile(c.name, {}));
    }
    const std::string dir = (std::filesystem::temp_directory_path() /
                             ("quorvane-edid-" + std::to_string(::getpid()) + "-fifo"))
                                .string();
    std::filesystem::create_directory(dir);
    const std::string fifo = dir + "/monitor.bin";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Files that cannot be read or have no end: never read whole, never waited for, nothing
    // thrown; "Please select the correct EDID file!" and the reason.
    const struct {
        std::string path;
        const char* detail;
    } unreadable[] = {
        {"/nonexistent/quorvane.bin", "The file cannot be read: No such file or directory."},
        {fifo, "The file cannot be read: not a regular file."},
        {"/dev/zero", "The file cannot be read: not a regular file."},
        {dir, "The file cannot be read: a folder, not a file."},
        // A regular file of size 0 whose read fails.
        {"/proc/self/mem", "The file cannot be read: Input/output error."},
        // A regular file of size 0 that holds megabytes.
        {"/proc/kallsyms", "The file is more than 65536 bytes long; an EDID file has 128 or 256."},
    };
    for (const auto& c : unreadable) {
        SCOPED_TRACE(c.path);
        view.messages.clear();
        page->openFile(c.path);
        EXPECT_EQ(view.messages, std::vector<std::string>{"Please select the correct EDID file!"});
        EXPECT_EQ(
            page->fileRefusal(),
            (std::vector<std::string>{
                "Not loaded: " + std::filesystem::path(c.path).filename().string(), c.detail}));
        expectKept();
    }
    std::filesystem::remove_all(dir);
    page->openFile(realFile(TwoBlockFile));
    EXPECT_TRUE(page->fileRefusal().empty());

    // The download still sends the file accepted last.
    page->clickDownload();
    clock.advance(1000);
    ASSERT_GE(received.size(), 4u);
    EXPECT_TRUE(std::equal(good.begin(), good.end(), received[3].second.begin() + 1));
}

} // namespace
