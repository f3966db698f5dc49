// The firmware upgrade against the simulated matrix, in virtual time: whole upgrades of each kind
// of file with the images the matrix received compared byte for byte, the bank switch, every
// resend and failure line, refusals and standby.
#include "firmware_page_fixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

using Frames = std::vector<Bytes>;
using Times = std::vector<std::int64_t>;

const Bytes part1End2Header = {0xA5, 0x5B, 0x20, 0x01, 0x56, 0x00, 0xFE,
                               0x00, 0x01, 0x40, 0x02, 0x00, 0x48};

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The bytes of `file` from `from` on, `size` of them, zero past its end.
Bytes slice(const Bytes& file, std::size_t from, std::size_t size) {
    Bytes out(size, 0);
    for (std::size_t i = 0; i < size && from + i < file.size(); ++i)
        out[i] = file[from + i];
    return out;
}

class FirmwareUpgradeTest : public FirmwarePageTest {
protected:
    void upgrade() {
        t0 = clock.nowMs();
        FirmwarePage& p = *page;
        p.upgrade();
    }
    // Times (from "Upgrade" on) at which the matrix took in frames and raw blocks since the last
    // check.
    std::pair<Times, Times> timesTaken() {
        Times frames, blocks;
        for (const Taken& t : taken)
            (t.bytes.size() == 13 ? frames : blocks).push_back(t.atMs - t0);
        return {frames, blocks};
    }
    std::int64_t t0 = 0;
};

TEST_F(FirmwareUpgradeTest, MainImageOnlyIsSentAndTheMatrixHoldsIt) {
    startCom();
    const Bytes img = image(300);
    loadFirmware(section(0xA5, 0x5A, img));
    upgrade();
    EXPECT_TRUE(page->upgrading());
    EXPECT_TRUE(page->holdsNavigation());
    EXPECT_FALSE(page->upgradeEnabled());
    EXPECT_EQ(page->progressMax(), 300);
    clock.advance(10000);
    const auto [frameTimes, blockTimes] = timesTaken();
    EXPECT_EQ(framesTaken(),
              (Frames{fw::part1Start, fw::eraseFrame, fw::prepareFrame, fw::part1Block0Header,
                      fw::part1End1Header, fw::deviceTypeQuery, fw::deviceTypeQuery}));
    // Start, erase 200 ms after its acknowledgement, prepare 200 ms after the erase's, header;
    // blocks 200 and 100 ms after their headers; the reboot polls 3 s apart (the matrix reboots
    // for 1 s).
    EXPECT_EQ(frameTimes, (Times{0, 205, 410, 415, 620, 725, 3725}));
    EXPECT_EQ(blockTimes, (Times{615, 720}));
    EXPECT_EQ(page->messages(), "Upgrading Part_1.1.0.0...\r\n"
                                "System rebooting,Please wait...\r\n"
                                "System reboot ok\r\n"
                                "Part_1.1.0.0 upgrading complete\r\n"
                                "Firmware upgrade Successfully\r\n");
    EXPECT_EQ(received(1), concat({img, Bytes(212, 0x00)}));
    EXPECT_TRUE(endedIdle());
    EXPECT_EQ(page->progressPosition(), 0);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_NE(page->link().sendLog().text().find("Send data:\r\n\r\n"), std::string::npos);
}

TEST_F(FirmwareUpgradeTest, FileBeginningWithTheMainImageIsSentWholeAsPartOne) {
    startCom();
    const Bytes file = concat({section(0xA5, 0x5A, image(300)), section(0xA4, 0x5B, image(20, 3)),
                               section(0xA3, 0x5C, image(10, 5))});
    loadFirmware(file);
    ASSERT_GE(page->fileInfo().size(), 4u);
    EXPECT_EQ(page->fileInfo()[3], "Upgrade sends part 1 (main processor, Part_1.1.0.0): 334 "
                                   "bytes from offset 0, 2 blocks, with the 2 section(s) behind "
                                   "its marker");
    upgrade();
    clock.advance(10000);
    EXPECT_EQ(received(1), slice(file, 2, 512));
    EXPECT_TRUE(received(2).empty());
    EXPECT_TRUE(received(3).empty());
    EXPECT_EQ(page->messages(), "Upgrading Part_1.1.0.0...\r\n"
                                "System rebooting,Please wait...\r\n"
                                "System reboot ok\r\n"
                                "Part_1.1.0.0 upgrading complete\r\n"
                                "Firmware upgrade Successfully\r\n");
    EXPECT_TRUE(endedIdle());
}

TEST_F(FirmwareUpgradeTest, SlaveAndIrPartsWithThePanelInsidePartThree) {
    startCom();
    const Bytes file = concat({section(0xA4, 0x5B, image(300)), section(0xA3, 0x5C, image(200, 9)),
                               section(0xA2, 0x5D, image(50, 4))});
    ASSERT_EQ(file.size(), 556u);
    loadFirmware(file);
    upgrade();
    EXPECT_EQ(page->progressMax(), 300);
    clock.advance(10000);
    EXPECT_EQ(framesTaken(),
              (Frames{fw::part2Start, fw::part2Block0Header, fw::part2End1Header,
                      fw::deviceTypeQuery, fw::deviceTypeQuery, fw::part3Start, fw::part3End0Header,
                      fw::deviceTypeQuery, fw::deviceTypeQuery}));
    EXPECT_EQ(page->messages(), "Upgrading Part_2.1.0.0...\r\n"
                                "Part_2.1.0.0 upgrading complete\r\n"
                                "System rebooting,Please wait...\r\n"
                                "System reboot ok\r\n"
                                "System rebooting,Please wait...\r\n"
                                "System reboot ok\r\n"
                                "Firmware upgrade Successfully\r\n");
    // Part 2's last block carries the bytes that follow it in the file: the IR marker and image.
    EXPECT_EQ(received(2), slice(file, 2, 512));
    // Part 3 runs to the end of the file, the panel section included.
    EXPECT_EQ(received(3), slice(file, 304, 256));
    EXPECT_EQ(received(3)[200], 0xA2);
    EXPECT_EQ(received(3)[201], 0x5D);
    EXPECT_TRUE(received(1).empty());
    EXPECT_TRUE(endedIdle());
}

TEST_F(FirmwareUpgradeTest, ImageOfWholeBlocksEndsWithABlockOfFillOnly) {
    startCom();
    const Bytes img = image(512);
    loadFirmware(section(0xA5, 0x5A, img));
    upgrade();
    clock.advance(10000);
    const Frames frames = framesTaken();
    ASSERT_EQ(frames.size(), 8u);
    EXPECT_EQ(frames[4], fw::part1Block1Header);
    EXPECT_EQ(frames[5], part1End2Header);
    // The last block on the wire: check byte 00 and 256 bytes of 00.
    EXPECT_EQ(received(1), concat({img, Bytes(256, 0x00)}));
    EXPECT_TRUE(endedIdle());
}

TEST_F(FirmwareUpgradeTest, ImageShorterThanABlockIsAnnouncedWithTheEndHeader) {
    startCom();
    const Bytes img = image(100);
    loadFirmware(section(0xA5, 0x5A, img));
    upgrade();
    clock.advance(10000);
    EXPECT_EQ(framesTaken(),
              (Frames{fw::part1Start, fw::eraseFrame, fw::prepareFrame, fw::part1End0Header,
                      fw::deviceTypeQuery, fw::deviceTypeQuery}));
    EXPECT_EQ(received(1), concat({img, Bytes(156, 0x00)}));
    EXPECT_NE(page->messages().find("Firmware upgrade Successfully\r\n"), std::string::npos);
    EXPECT_TRUE(endedIdle());
}

TEST_F(FirmwareUpgradeTest, BankSwitchAtBlock240SkipsTheRestOfTheBank) {
    startCom();
    const Bytes img = image(256 * 260);
    loadFirmware(section(0xA5, 0x5A, img));
    upgrade();
    clock.advance(60000);
    const Frames frames = framesTaken();
    // Headers: blocks 0..239 with their index, block 240 with B0 01, then the next bank from 0.
    std::size_t at240 = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (frames[i] == fw::part1Block240Header) {
            EXPECT_EQ(at240, 0u) << "sent twice";
            at240 = i;
        }
    }
    ASSERT_EQ(at240, 3u + 240u);
    EXPECT_EQ(frames[at240 - 1][10], 239);
    EXPECT_EQ(frames[at240 + 1], fw::part1Block0Header);
    EXPECT_EQ(frames[at240 + 2], fw::part1Block1Header);
    // Four more blocks, then the end header with index 4, the end, two polls.
    EXPECT_EQ(frames.size(), at240 + 1 + 5 + 2);
    EXPECT_EQ(frames[at240 + 5][4], 0x56);
    EXPECT_EQ(frames[at240 + 5][10], 4);
    // The matrix's flash: bank 0 holds blocks 0..240, 241..255 are never written, bank 1 holds
    // the image from byte 65536 on and then the fill of block 260.
    const Bytes flash = received(1);
    ASSERT_EQ(flash.size(), 65536u + 5 * 256);
    EXPECT_EQ(Bytes(flash.begin(), flash.begin() + 241 * 256), slice(img, 0, 241 * 256));
    EXPECT_EQ(Bytes(flash.begin() + 241 * 256, flash.begin() + 65536), Bytes(15 * 256, 0xFF));
    EXPECT_EQ(Bytes(flash.begin() + 65536, flash.end()), slice(img, 65536, 5 * 256));
    EXPECT_TRUE(endedIdle());
}

TEST_F(FirmwareUpgradeTest, WhileTheIndexIs240EveryFrameCarriesB001RebootPollsIncluded) {
    startCom();
    // 240 x 256 + 10 bytes: the last block has index 240 and is announced with the end header,
    // which keeps its index; the polls that follow carry B0 01.
    loadFirmware(section(0xA5, 0x5A, image(240 * 256 + 10)));
    upgrade();
    clock.advance(60000);
    const Frames frames = framesTaken();
    ASSERT_EQ(frames.size(), 3u + 241u + 2u);
    EXPECT_EQ(frames[3 + 240], fw::part1End240Header);
    EXPECT_EQ(frames[3 + 241], fw::deviceTypeQueryB0);
    EXPECT_EQ(frames[3 + 242], fw::deviceTypeQueryB0);
    EXPECT_TRUE(endedIdle());
    EXPECT_NE(page->messages().find("Firmware upgrade Successfully\r\n"), std::string::npos);
}

TEST_F(FirmwareUpgradeTest, BlockAcknowledgementBeyondTheLastBlockIsIgnored) {
    startCom();
    device.faults().dropBlockAck = 1;
    loadFirmware(section(0xA5, 0x5A, image(300)));
    upgrade();
    clock.advance(1000);
    framesTaken();
    // A bank switch would jump to block 256, past the last block (1): nothing happens.
    feedSerial(fw::part1BankAck);
    clock.advance(100);
    EXPECT_TRUE(framesTaken().empty());
    EXPECT_EQ(page->part1BlockCount(), 0);
    // The wait goes on: block 0 is sent again at 7615 and the upgrade completes.
    clock.advance(10000);
    EXPECT_EQ(framesTaken().front(), fw::part1Block0Header);
    EXPECT_TRUE(endedIdle());
    EXPECT_NE(page->messages().find("Firmware upgrade Successfully\r\n"), std::string::npos);

    // Part 2: block index k + 1 = 10 lies past the last block.
    loadFirmware(section(0xA4, 0x5B, image(300)));
    silenceMatrix();
    upgrade();
    feedSerial(fw::part2StartAck);
    clock.advance(300);
    framesTaken();
    feedSerial(fw::part2Block9Ack);
    clock.advance(100);
    EXPECT_TRUE(framesTaken().empty());
    EXPECT_EQ(page->blockIndex(), 0);
}

TEST_F(FirmwareUpgradeTest, DroppedBlockAcknowledgementResendsWithTheSameGap) {
    startCom();
    device.faults().dropBlockAck = 1;
    const Bytes img = image(300);
    loadFirmware(section(0xA5, 0x5A, img));
    upgrade();
    clock.advance(20000);
    const auto [frameTimes, blockTimes] = timesTaken();
    // Header 0 at 415, block at 615; no answer: both again at 7615 and 7815.
    EXPECT_EQ(frameTimes[3], 415);
    EXPECT_EQ(frameTimes[4], 7615);
    EXPECT_EQ(blockTimes[0], 615);
    EXPECT_EQ(blockTimes[1], 7815);
    EXPECT_EQ(received(1), concat({img, Bytes(212, 0x00)}));
    EXPECT_TRUE(endedIdle());
    EXPECT_NE(page->link().sendLog().text().find("\r\n\r\nSend data:\r\n\r\n"), std::string::npos);
}

// --- Time-outs: every resend and its failure line ---

struct TimeOutCase {
    const char* name;
    Bytes file;
    std::function<void(sim::MatrixDevice&)> fault;
    Frames frames;
    Times times;
    std::int64_t failAt;
    const char* line;
};

class FirmwareTimeOutTest : public FirmwareUpgradeTest,
                            public ::testing::WithParamInterface<int> {};

std::vector<TimeOutCase> timeOutCases() {
    const Bytes main600 = concat({Bytes{0xA5, 0x5A}, Bytes(600, 0x01)});
    const Bytes main300 = concat({Bytes{0xA5, 0x5A}, Bytes(300, 0x01)});
    const Bytes slave300 = concat({Bytes{0xA4, 0x5B}, Bytes(300, 0x01)});
    auto silentAfter = [](int replies) {
        return [replies](sim::MatrixDevice& d) {
            d.faults().dropReply = d.replyCount() + replies + 1;
            d.faults().dropCount = 100000;
        };
    };
    auto dropBlocksFrom = [](int block) {
        return [block](sim::MatrixDevice& d) {
            d.faults().dropBlockAck = block;
            d.faults().dropBlockAckAlways = true;
        };
    };
    const Bytes block1Header = {0xA5, 0x5B, 0x20, 0x01, 0xAA, 0x00, 0x00,
                                0x01, 0x01, 0x40, 0x01, 0x00, 0xF2};
    return {
        {"part 1 start",
         main300,
         silentAfter(0),
         {fw::part1Start, fw::part1Start},
         {0, 3000},
         6000,
         "Write to Part_1.1.0.0 failed\r\n"},
        {"part 2 start",
         slave300,
         silentAfter(0),
         {fw::part2Start, fw::part2Start},
         {0, 3000},
         6000,
         "Upgrading Part_2.1.0.0 failed\r\n"},
        {"erase",
         main300,
         silentAfter(1),
         {fw::part1Start, fw::eraseFrame, fw::eraseFrame},
         {0, 205, 3205},
         6205,
         "Write to Part_1.1.0.0 failed\r\n"},
        {"prepare",
         main300,
         silentAfter(2),
         {fw::part1Start, fw::eraseFrame, fw::prepareFrame, fw::prepareFrame},
         {0, 205, 410, 4410},
         8410,
         "Write to Part_1.1.0.0 failed\r\n"},
        {"first block",
         main300,
         dropBlocksFrom(1),
         {fw::part1Start, fw::eraseFrame, fw::prepareFrame, fw::part1Block0Header,
          fw::part1Block0Header},
         {0, 205, 410, 415, 7615},
         14815,
         "Upgrading Part_1.1.0.0 failed\r\n"},
        {"later block",
         main600,
         dropBlocksFrom(2),
         {fw::part1Start, fw::eraseFrame, fw::prepareFrame, fw::part1Block0Header, block1Header,
          block1Header},
         {0, 205, 410, 415, 620, 7720},
         15820,
         "Upgrading Part_1.1.0.0 failed\r\n"},
        {"part 1 reboot",
         main300,
         [](sim::MatrixDevice& d) { d.faults().neverFinishReboot = true; },
         {fw::part1Start, fw::eraseFrame, fw::prepareFrame, fw::part1Block0Header,
          fw::part1End1Header, fw::deviceTypeQuery, fw::deviceTypeQuery, fw::deviceTypeQuery,
          fw::deviceTypeQuery, fw::deviceTypeQuery, fw::deviceTypeQuery, fw::deviceTypeQuery,
          fw::deviceTypeQuery},
         {0, 205, 410, 415, 620, 725, 3725, 6725, 9725, 12725, 15725, 18725, 21725},
         24725,
         "Write to Part_1.1.0.0 failed\r\n"},
        {"part 2 reboot",
         slave300,
         [](sim::MatrixDevice& d) { d.faults().neverFinishReboot = true; },
         {fw::part2Start, fw::part2Block0Header, fw::part2End1Header, fw::deviceTypeQuery,
          fw::deviceTypeQuery, fw::deviceTypeQuery, fw::deviceTypeQuery, fw::deviceTypeQuery,
          fw::deviceTypeQuery, fw::deviceTypeQuery, fw::deviceTypeQuery},
         {0, 5, 210, 315, 3315, 6315, 9315, 12315, 15315, 18315, 21315},
         24315,
         "Write to Part_2.1.0.0 failed\r\n"},
        {"part 3 start",
         concat({Bytes{0xA3, 0x5C}, Bytes(30, 0x01)}),
         silentAfter(0),
         {fw::part3Start, fw::part3Start},
         {0, 3000},
         6000,
         "Upgrading Part_3.1.0.0 failed\r\n"},
    };
}

TEST_P(FirmwareTimeOutTest, ResendsOnceThenFailsWithItsLine) {
    const TimeOutCase c = timeOutCases().at(static_cast<std::size_t>(GetParam()));
    SCOPED_TRACE(c.name);
    startCom();
    loadFirmware(c.file);
    c.fault(device);
    const std::string before = page->messages();
    upgrade();
    clock.advance(c.failAt - 1);
    EXPECT_TRUE(view.messages.empty());
    const auto [frameTimes, blockTimes] = timesTaken();
    EXPECT_EQ(framesTaken(), c.frames);
    EXPECT_EQ(frameTimes, c.times);
    clock.advance(1);
    EXPECT_EQ(view.message, "Time out!");
    // The page stays busy until the message has closed; then the line and the end.
    EXPECT_TRUE(page->upgrading());
    EXPECT_EQ(page->messages().find(c.line, before.size()), std::string::npos);
    clock.advance(1500);
    EXPECT_FALSE(view.messageUp);
    EXPECT_EQ(page->messages().substr(page->messages().size() - std::string(c.line).size()),
              c.line);
    EXPECT_TRUE(endedIdle());
    clock.advance(30000);
    EXPECT_TRUE(framesTaken().empty());
    EXPECT_EQ(view.messages.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(EveryWait, FirmwareTimeOutTest, ::testing::Range(0, 9));

// --- Refusals ---

TEST_F(FirmwareUpgradeTest, PartOneRefusedEndsTheUpgradeWithItsMessage) {
    startCom();
    device.faults().refuseFirmwarePart = 1;
    loadFirmware(section(0xA5, 0x5A, image(300)));
    upgrade();
    clock.advance(10);
    EXPECT_EQ(view.message, "Write to Part_1.1.0.0 failed!");
    EXPECT_TRUE(page->upgrading());
    clock.advance(1500);
    EXPECT_EQ(page->messages(), "Upgrading Part_1.1.0.0...\r\nWrite to Part_1.1.0.0 failed\r\n");
    EXPECT_TRUE(endedIdle());
    clock.advance(20000);
    EXPECT_EQ(framesTaken(), Frames{fw::part1Start}); // no resend of the start
}

TEST_F(FirmwareUpgradeTest, PartTwoRefusedEndsCleanlyLikePartOne) {
    startCom();
    device.faults().refuseFirmwarePart = 2;
    loadFirmware(section(0xA4, 0x5B, image(300)));
    upgrade();
    clock.advance(10);
    EXPECT_EQ(view.message, "Write to Part_2.1.0.0 failed!");
    EXPECT_TRUE(view.notices.empty());
    clock.advance(1500);
    EXPECT_EQ(page->messages(), "Upgrading Part_2.1.0.0...\r\nWrite to Part_2.1.0.0 failed\r\n");
    EXPECT_TRUE(endedIdle());
    EXPECT_FALSE(page->holdsNavigation());
}

// --- Standby ---

class FirmwareStandbyTest : public FirmwareUpgradeTest,
                            public ::testing::WithParamInterface<std::int64_t> {};

TEST_P(FirmwareStandbyTest, StandbyEndsTheUpgradeInEveryState) {
    startCom();
    loadFirmware(section(0xA5, 0x5A, image(600)));
    upgrade();
    clock.advance(GetParam());
    framesTaken();
    feedSerial(fw::standby);
    EXPECT_EQ(view.message, "Matrix is in standby mode!");
    clock.advance(2499);
    EXPECT_TRUE(view.messageUp);
    EXPECT_TRUE(page->upgrading());
    clock.advance(1);
    EXPECT_FALSE(view.messageUp);
    EXPECT_TRUE(endedIdle());
    clock.advance(30000);
    EXPECT_TRUE(framesTaken().empty());
    EXPECT_EQ(view.messages, std::vector<std::string>{"Matrix is in standby mode!"});
}

// Starting, waiting to erase, erasing, preparing, first block, later block, rebooting.
INSTANTIATE_TEST_SUITE_P(EveryState, FirmwareStandbyTest,
                         ::testing::Values(1, 100, 206, 211, 300, 450, 1000));

TEST_F(FirmwareUpgradeTest, SecondStandbyReplacesTheFirstMessage) {
    startCom();
    feedSerial(fw::standby);
    clock.advance(1000);
    feedSerial(fw::standby);
    EXPECT_EQ(view.events,
              (std::vector<std::string>{"message Matrix is in standby mode!", "hide message",
                                        "message Matrix is in standby mode!"}));
    clock.advance(2499);
    EXPECT_TRUE(view.messageUp);
    clock.advance(1);
    EXPECT_FALSE(view.messageUp);
    EXPECT_TRUE(page->upgradeEnabled());
}

} // namespace
