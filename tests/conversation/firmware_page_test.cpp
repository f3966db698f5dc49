// The firmware page outside an upgrade: the device-information line on both links, loading files,
// "Upgrade" refused for want of a file or a serial link, and the merge tool's report.
#include "firmware_page_fixture.h"

#include <filesystem>

using namespace quorvane;
using namespace quorvane::test;

namespace {

using Frames = std::vector<Bytes>;

TEST_F(FirmwarePageTest, InformationLineOverSerialAsksTypeSizeVersionAndModel) {
    state.comPortNumber = 1;
    state.comLinkOpen = true;
    createPage();
    page->onAnySwitch();
    page->onSwitchedTo();
    clock.advance(150);
    page->onShow();
    EXPECT_EQ(serial->settings().stopBits, 2);
    clock.advance(100);
    EXPECT_EQ(framesTaken(),
              (Frames{fw::deviceTypeQuery, fw::sizeQuery, fw::versionQuery, fw::modelQuery}));
    EXPECT_EQ(page->infoLine(), "Device: HDMI MATRIX 8x8          Version: 1.2 - QVM-0808");
}

TEST_F(FirmwarePageTest, OddDeviceTypeLeavesTheTextAndTheQueryGoesOn) {
    startCom();
    silenceMatrix();
    showPage();
    feedSerial(fw::typeReply7);
    feedSerial(fw::sizeReply);
    feedSerial(fw::versionReply);
    feedSerial(fw::modelReply);
    // The text kept from the first show is built on again.
    EXPECT_EQ(page->infoLine(), "Device: Device: HDMI MATRIX 8x8          Version: 1.2 8x4"
                                "          Version: 3.17 - QVM-0804");
    clock.advance(100);
    EXPECT_EQ(framesTaken(), (Frames{fw::sizeQuery, fw::versionQuery, fw::modelQuery}));
    // Replies nobody asked for change nothing; the next show asks again.
    feedSerial(fw::typeReply2);
    EXPECT_TRUE(framesTaken().empty());
    showPage();
    feedSerial(fw::typeReply2);
    feedSerial(fw::sizeReply);
    feedSerial(fw::versionReply);
    feedSerial(fw::modelReply);
    EXPECT_EQ(page->infoLine(), "Device: HDBT MATRIX 8x4          Version: 3.17 - QVM-0804");
}

TEST_F(FirmwarePageTest, InformationOverTcpStopsAtTheVersion) {
    state.controlMode = ControlMode::Tcp;
    state.matrixIp = "127.0.0.1";
    state.tcpLinkReady = true;
    createPage();
    page->onAnySwitch();
    page->onSwitchedTo();
    page->reconnect();
    clock.advance(150);
    page->onShow();
    clock.advance(100);
    EXPECT_EQ(framesTaken(), (Frames{fw::deviceTypeQuery, fw::sizeQuery, fw::versionQuery}));
    EXPECT_EQ(page->infoLine(), "Device: HDMI MATRIX 8x8          Version: 1.2");

    // "Upgrade" refuses over TCP.
    page->upgrade();
    EXPECT_EQ(view.message, "Please select COM Control Mode!");
    clock.advance(1500);
    state.tcpConnected = false;
    page->upgrade();
    EXPECT_EQ(view.message, "Connect to Matrix failed!");
    clock.advance(5000);
    EXPECT_TRUE(framesTaken().empty());
    EXPECT_FALSE(page->upgrading());
}

TEST_F(FirmwarePageTest, StandbyOverTcpCountsOnlyOnceTheQueryStarted) {
    state.controlMode = ControlMode::Tcp;
    state.matrixIp = "127.0.0.1";
    state.tcpLinkReady = true;
    createPage();
    page->onSwitchedTo();
    page->reconnect();
    clock.advance(10);
    page->link().onTcpData(fw::standby.data(), fw::standby.size());
    EXPECT_TRUE(view.messages.empty());
    page->onShow();
    page->link().onTcpData(fw::standby.data(), fw::standby.size());
    EXPECT_EQ(view.message, "Matrix is in standby mode!");
}

TEST_F(FirmwarePageTest, LinkDownIsReportedOnShowAndOnUpgrade) {
    createPage(); // COM mode, no port
    page->onShow();
    EXPECT_EQ(view.message, "Open COM failed!");
    clock.advance(1500);
    page->upgrade();
    EXPECT_EQ(view.message, "Open COM failed!");
    EXPECT_FALSE(page->upgrading());
    clock.advance(1500);
    state.controlMode = ControlMode::Tcp;
    page->onShow();
    EXPECT_EQ(view.message, "Connect to Matrix failed!");
}

TEST_F(FirmwarePageTest, UpgradeWithoutAFileFails) {
    startCom();
    page->upgrade();
    EXPECT_EQ(view.message, "Upgrade failed!");
    clock.advance(1500);
    EXPECT_TRUE(endedIdle());
    EXPECT_TRUE(framesTaken().empty());
    // The file must begin with a marker.
    loadFirmware({0x00, 0xA5, 0x5A, 0x01});
    page->upgrade();
    EXPECT_EQ(view.message, "Upgrade failed!");
}

TEST_F(FirmwarePageTest, InformationRepliesAreIgnoredAfterAnUpgradeUntilShownAgain) {
    // The matrix does not answer the query of the show: its device type query is still waited
    // for when "Upgrade" (here without a file) sets the upgrade mode. A late device type reply
    // is then no information: nothing more is asked and the line stays as it was.
    silenceMatrix();
    startCom();
    page->upgrade();
    EXPECT_EQ(view.message, "Upgrade failed!");
    clock.advance(1500);
    ASSERT_TRUE(endedIdle());
    framesTaken();
    const std::string line = page->infoLine();
    for (const Bytes* reply :
         {&fw::typeReply2, &fw::sizeReply, &fw::versionReply, &fw::modelReply}) {
        feedSerial(*reply);
        clock.advance(100);
    }
    EXPECT_TRUE(framesTaken().empty());
    EXPECT_EQ(page->infoLine(), line);

    // After an upgrade that ran, the same; shown again, the page asks and shows the line.
    device.faults() = {};
    loadFirmware({0xA5, 0x5A, 0x01});
    page->upgrade();
    clock.advance(10000);
    ASSERT_TRUE(endedIdle());
    framesTaken();
    feedSerial(fw::typeReply2);
    clock.advance(100);
    EXPECT_TRUE(framesTaken().empty());
    EXPECT_EQ(page->infoLine(), line);
    showPage();
    EXPECT_EQ(page->infoLine(), "Device: HDMI MATRIX 8x8          Version: 1.2 - QVM-0808");
}

TEST_F(FirmwarePageTest, OpenButtonTakesFwAndUpperCaseBinOnly) {
    startCom();
    const Bytes file{0xA5, 0x5A, 0x01, 0x02};
    const std::string lower = writeScrambled(file, ".bin");
    EXPECT_FALSE(page->openFile(lower));
    EXPECT_EQ(page->filePath(), "");
    const std::string upper = writeScrambled(file, ".BIN");
    EXPECT_TRUE(page->openFile(upper));
    EXPECT_EQ(page->filePath(), upper);
    EXPECT_EQ(page->file().bytes(), file);
    const std::string fwPath = writeScrambled({0xA4, 0x5B}, ".fw");
    EXPECT_TRUE(page->openFile(fwPath));
    EXPECT_EQ(page->file().bytes(), (Bytes{0xA4, 0x5B}));

    // Over the buffer: refused with the limit named; the earlier file stays.
    const std::string big = writeScrambled(Bytes(200001, 0x00), ".fw");
    EXPECT_FALSE(page->openFile(big));
    EXPECT_EQ(view.message, "Firmware file over 200000 bytes!");
    EXPECT_EQ(page->messages(), "Firmware file over 200000 bytes, not loaded\r\n");
    EXPECT_EQ(page->filePath(), fwPath);
    EXPECT_EQ(page->file().bytes(), (Bytes{0xA4, 0x5B}));
}

TEST_F(FirmwarePageTest, NoFileIsLoadedWhileAnUpgradeRuns) {
    startCom();
    loadFirmware(section(0xA5, 0x5A, image(600)));
    page->upgrade();
    clock.advance(300);
    EXPECT_FALSE(page->openEnabled());
    EXPECT_FALSE(page->openFile(writeScrambled({0xA4, 0x5B, 0x01})));
    EXPECT_EQ(page->file().length(), 602u);
}

TEST_F(FirmwarePageTest, MergeReportsToMessagesAndTheResultLoadsBack) {
    namespace fsys = std::filesystem;
    startCom();
    const fsys::path dir =
        fsys::path(::testing::TempDir()) / ("fw_page_merge_" + std::to_string(getpid()));
    fsys::create_directories(dir);
    const std::string main = (dir / "main.img").string();
    const std::string ir = (dir / "ir.bin").string();
    {
        std::ofstream(main, std::ios::binary) << "AB";
        std::ofstream(ir, std::ios::binary) << "C";
    }
    page->openMergeImage(0, main);
    page->openMergeImage(2, ir);
    page->merge();
    const std::string out = (dir / "Tarvexon_mm0.0_ir0.0.fw").string();
    EXPECT_EQ(page->messages(), "Main MCU firmware:" + main +
                                    "\r\nSave MCU firmware Merged,Ver0.0\r\n"
                                    "IR MCU2 firmware:" +
                                    ir +
                                    "\r\nSave MCU2 firmware Merged,Ver0.0\r\n"
                                    "Firmware merged complete,save to file:" +
                                    out + "\r\n");
    EXPECT_EQ(page->mergeTool().row(2).version1, "0");
    EXPECT_TRUE(page->openFile(out));
    EXPECT_EQ(page->file().bytes(), (Bytes{0xA5, 0x5A, 'A', 'B', 0xA3, 0x5C, 'C'}));

    // Written nowhere: the failure is reported, success never claimed.
    fsys::remove_all(dir);
    page->clearMessages();
    page->merge();
    EXPECT_EQ(view.message, "Save merged firmware failed!");
    EXPECT_EQ(page->messages().find("Firmware merged complete"), std::string::npos);
    EXPECT_NE(page->messages().find("Firmware merge failed,cannot save to file:" + out + "\r\n"),
              std::string::npos);
}

} // namespace
