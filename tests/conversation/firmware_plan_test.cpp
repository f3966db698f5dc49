// The upgrade plans the whole file before the first frame: a file that cannot be sent whole is
// refused with the part and the reason, in the message, in "Messages" and in the file
// information, and nothing reaches the matrix (whose flash stays as it was).
#include "../sweep/FirmwareImages.h"
#include "firmware_page_fixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

struct RefusedRow {
    const char* name;
    Bytes file;
    const char* text; // message, "Messages" line (with "\r\n") and the last file information line
};

TEST_F(FirmwarePageTest, FileThatCannotBeSentWholeIsRefusedBeforeTheFirstFrame) {
    Bytes slaveWithPair = firmwareSection(0xA4, 0x5B, firmwareImage(1000, 4));
    slaveWithPair[602] = 0xA4;
    slaveWithPair[603] = 0x5C;
    const Bytes slave = firmwareSection(0xA4, 0x5B, firmwareImage(300, 5));
    Bytes irThenSlave = firmwareSection(0xA3, 0x5C, firmwareImage(300, 6));
    irThenSlave.insert(irThenSlave.end(), slave.begin(), slave.end());
    const std::vector<RefusedRow> rows = {
        {"a 62,730-byte main image: its last block 245 is one a bank switch skips",
         firmwareSection(0xA5, 0x5A, firmwareImage(62730, 1, {true, false})),
         "Upgrade refused: part 1 (main processor): its last block (245) lies in blocks 241..255 "
         "of a bank, which the bank switch skips"},
        {"the panel image alone", firmwareSection(0xA2, 0x5D, firmwareImage(300, 2)),
         "Upgrade refused: part 4 (panel processor 3): the matrix does not answer its upgrade"},
        {"A4 5C inside the slave image: the scan ends the part where no part starts", slaveWithPair,
         "Upgrade refused: part 2 (slave processor 1): the part-end scan stops at offset 602 "
         "(A4 5C), which starts no part"},
        {"the slave section behind the IR section", irThenSlave,
         "Upgrade refused: part 2 (slave processor 1): found behind part 3, where the file can "
         "hold no such part"},
    };
    startCom();
    for (const RefusedRow& row : rows) {
        SCOPED_TRACE(row.name);
        device.state().firmwareImages = {Bytes{0x5A}, Bytes{0x5B}, Bytes{0x5C}, Bytes{0x5D}};
        loadFirmware(row.file);
        ASSERT_FALSE(page->fileInfo().empty());
        EXPECT_EQ(page->fileInfo().back(), row.text);
        page->clearMessages();
        page->upgrade();
        EXPECT_EQ(view.message, row.text);
        EXPECT_EQ(page->messages(), std::string(row.text) + "\r\n");
        EXPECT_FALSE(page->upgrading());
        EXPECT_TRUE(page->upgradeEnabled());
        clock.advance(60000);
        EXPECT_TRUE(framesTaken().empty());
        EXPECT_EQ(device.state().firmwareImages,
                  (std::array<Bytes, 4>{Bytes{0x5A}, Bytes{0x5B}, Bytes{0x5C}, Bytes{0x5D}}));
    }
}

} // namespace
