// Acknowledgements the upgrade must not trust, against the simulated matrix in virtual time: a
// late repeat of a block's acknowledgement, a stale one naming another block, one with a mark
// other than 40 or B0, a repeated erase acknowledgement. Each row ends with "Firmware upgrade
// Successfully" only because the matrix's flash equals every image byte for byte, and lists the
// frames the traffic window must show as unexpected.
#include "../sweep/FirmwareImages.h"
#include "core/link/TrafficJournal.h"
#include "firmware_page_fixture.h"

#include <functional>

using namespace quorvane;
using namespace quorvane::test;

namespace {

using Frames = std::vector<Bytes>;

// Block 1 of part 1 written (m 40, k 01).
const Bytes part1Block1Ack = {0xA5, 0x5B, 0x20, 0x01, 0x00, 0x00, 0x00,
                              0x01, 0x01, 0x40, 0x01, 0x00, 0x9C};
// Part 2, k FF: block 255 (or 511) written.
const Bytes part2BlockFFAck = {0xA5, 0x5B, 0x20, 0x02, 0x00, 0x00, 0x00,
                               0x01, 0x01, 0x40, 0xFF, 0x00, 0x9D};

struct TrustRow {
    const char* name;
    // The file's sections: (marker, image).
    std::vector<std::pair<Bytes, Bytes>> sections;
    // Switches the matrix's fault on; `replies` is its reply count when "Upgrade" is pressed.
    std::function<void(sim::MatrixDevice& device, int replies)> fault;
    Frames unexpected; // received frames the traffic window marks, in order
};

class FirmwareAckTrustTest : public FirmwarePageTest {
protected:
    FirmwareAckTrustTest() { state.traffic = &journal; }

    Frames unexpectedFrames() const {
        Frames out;
        for (std::uint64_t i = journal.begin(); i < journal.end(); ++i) {
            const TrafficEntry& e = journal.at(i);
            if (e.unexpected)
                out.push_back(e.bytes);
        }
        return out;
    }
    std::string unexpectedLine() const {
        for (std::uint64_t i = journal.begin(); i < journal.end(); ++i) {
            if (journal.at(i).unexpected)
                return formatTraffic(journal.at(i));
        }
        return {};
    }

    TrafficJournal journal;
};

TEST_F(FirmwareAckTrustTest, AcknowledgementsOfOtherBlocksAreNotTrusted) {
    const Bytes small = firmwareImage(4 * 256 + 100, 11, {true, true});
    const Bytes slave = firmwareImage(600 * 256, 12);
    const std::vector<TrustRow> rows = {
        {"block 1 acknowledged again 50 ms later, while block 2's header is out",
         {{{0xA5, 0x5A}, small}},
         [](sim::MatrixDevice& d, int) {
             d.faults().blockAck = {1, 1, 50, -1, -1};
         },
         {part1Block1Ack}},
        {"block 1 acknowledged again 150 ms later, after block 2's data went out",
         {{{0xA5, 0x5A}, small}},
         [](sim::MatrixDevice& d, int) {
             d.faults().blockAck = {1, 1, 150, -1, -1};
         },
         {part1Block1Ack}},
        {"part 2: a stale k FF while block 256 is awaited",
         {{{0xA4, 0x5B}, slave}},
         [](sim::MatrixDevice& d, int) {
             d.faults().blockAck = {2, 256, -1, 0xFF, -1};
         },
         {part2BlockFFAck}},
        {"part 1: block 1 acknowledged with m 41",
         {{{0xA5, 0x5A}, small}},
         [](sim::MatrixDevice& d, int) {
             d.faults().blockAck = {1, 1, -1, -1, 0x41};
         },
         {}},
        {"part 2: block 3 acknowledged with m B0",
         {{{0xA4, 0x5B}, small}},
         [](sim::MatrixDevice& d, int) {
             d.faults().blockAck = {2, 3, -1, -1, 0xB0};
         },
         {}},
        {"the erase acknowledgement repeated at once",
         {{{0xA5, 0x5A}, small}},
         [](sim::MatrixDevice& d, int replies) {
             d.faults().repeatReply = replies + 2; // start acknowledgement, then erase's
             d.faults().repeatAfterMs = 0;
         },
         {fw::eraseAck}},
    };
    startCom();
    for (const TrustRow& row : rows) {
        SCOPED_TRACE(row.name);
        device.faults() = {};
        Bytes file;
        for (const auto& [marker, body] : row.sections) {
            file.insert(file.end(), marker.begin(), marker.end());
            file.insert(file.end(), body.begin(), body.end());
        }
        loadFirmware(file);
        page->clearMessages();
        journal.clear();
        row.fault(device, device.replyCount());
        page->upgrade();
        clock.advance(200000);
        EXPECT_TRUE(endedIdle());
        EXPECT_EQ(page->messages().substr(page->messages().size() -
                                          std::min<std::size_t>(page->messages().size(), 31)),
                  "Firmware upgrade Successfully\r\n");
        for (const auto& [marker, body] : row.sections) {
            const int part = marker[0] == 0xA5 ? 1 : marker[0] == 0xA4 ? 2 : 3;
            const Bytes& flash = received(part);
            EXPECT_TRUE(flash.size() >= body.size() &&
                        std::equal(body.begin(), body.end(), flash.begin()))
                << "part " << part << " differs from its image";
        }
        EXPECT_EQ(unexpectedFrames(), row.unexpected);
    }
    // How the window shows one.
    EXPECT_EQ(unexpectedLine(),
              "RX serial  A5 5B 20 01 00 00 00 00 00 00 00 00 DF  firmware part 1 erase or prepare "
              "acknowledged (unexpected, ignored)");
}

// The blocks start only after an acknowledgement that came after the prepare went out.
TEST_F(FirmwareAckTrustTest, RepeatedEraseAcknowledgementDoesNotStartTheBlocks) {
    startCom();
    loadFirmware(firmwareSection(0xA5, 0x5A, firmwareImage(700, 3, {true, true})));
    silenceMatrix();
    page->upgrade();
    clock.advance(10);
    feedSerial(fw::part1StartAck);
    clock.advance(200);
    EXPECT_EQ(framesTaken(), (Frames{fw::part1Start, fw::eraseFrame}));
    feedSerial(fw::eraseAck);
    clock.advance(20);
    feedSerial(fw::eraseAck); // the same acknowledgement once more
    clock.advance(179);
    EXPECT_TRUE(framesTaken().empty());
    clock.advance(1);
    EXPECT_EQ(framesTaken(), (Frames{fw::prepareFrame}));
    feedSerial(fw::eraseAck);
    EXPECT_EQ(framesTaken(), (Frames{fw::part1Block0Header}));
}

} // namespace
