// The firmware upgrade against every fault at every step, in virtual time with the simulated
// matrix in process. For each (step, fault) the invariant holds: "Firmware upgrade Successfully"
// only when every part's flash equals its image byte for byte; otherwise a failure line in
// "Messages" (or, for a standby report, the standby message), "Upgrade" enabled again, and the
// page at rest (no hang).
#include "FaultSweep.h"
#include "FirmwareImages.h"
#include "InProcessPageFixture.h"
#include "core/firmware/FirmwarePage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quorvane;
using namespace quorvane::test;
using namespace quorvane::test::sweep;

namespace {

// Virtual time a run may take at most: the longest file, every wait once over, and more.
constexpr std::int64_t RunLimitMs = 400000;
// A repeated answer comes this long after the first: inside the pause between a block's header
// and its data (100 ms), and inside the pauses before the erase and the prepare (200 ms).
constexpr int GapMs = 50;

// The lines that end an upgrade without success.
const char* const FailureLines[] = {
    "Write to Part_1.1.0.0 failed\r\n",  "Write to Part_2.1.0.0 failed\r\n",
    "Upgrading Part_1.1.0.0 failed\r\n", "Upgrading Part_2.1.0.0 failed\r\n",
    "Upgrading Part_3.1.0.0 failed\r\n",
};
const std::string SuccessLine = "Firmware upgrade Successfully\r\n";

struct SweepFile {
    const char* name;
    Bytes plain;
    // (part, image) for every part the upgrade sends.
    std::vector<std::pair<int, Bytes>> images;
};

// A firmware page on the in-process simulated matrix, on COM1, shown once.
class FirmwareRig : public InProcessPageFixture {
public:
    explicit FirmwareRig(const SweepFile& file) {
        device.state().rebootMs = 1000;
        useOpenCom1();
        page = pages.firmware(*timers, *serial);
        serial->setByteHandler(
            [this](std::uint8_t byte, int port) { page->onSerialByte(byte, port); });
        page->onAnySwitch();
        page->onSwitchedTo();
        clock.advance(150);
        page->onShow();
        clock.advance(100);
        path = ::testing::TempDir() + "fw_sweep_" + std::to_string(getpid()) + ".fw";
        const auto key = static_cast<std::uint8_t>((file.plain.size() & 0xFF) ^ 0xA7);
        {
            std::ofstream out(path, std::ios::binary);
            for (std::uint8_t b : file.plain)
                out.put(static_cast<char>(b ^ key));
        }
        loaded = page->openFile(path);
        recordTaken(
            device, [this] { return clock.nowMs(); }, taken);
    }
    ~FirmwareRig() { std::remove(path.c_str()); }
    FirmwareRig(const FirmwareRig&) = delete;
    FirmwareRig& operator=(const FirmwareRig&) = delete;

    // "Upgrade", then virtual time until the page is at rest (or the limit).
    void run() {
        page->upgrade();
        const std::int64_t end = clock.nowMs() + RunLimitMs;
        while (clock.nowMs() < end && (page->upgrading() || state.messageShown))
            clock.advance(1000);
        // Anything still armed would show here.
        clock.advance(60000);
    }
    bool flashHolds(const SweepFile& file) const {
        for (const auto& [part, image] : file.images) {
            const Bytes& flash =
                device.state().firmwareImages.at(static_cast<std::size_t>(part - 1));
            if (flash.size() < image.size() ||
                !std::equal(image.begin(), image.end(), flash.begin()))
                return false;
        }
        return true;
    }

    sim::MatrixDevice& matrixDevice() { return device; }
    RecordingDialogView& dialogView() { return view; }
    RecordingEvents& busyEvents() { return events; }

    std::unique_ptr<FirmwarePage> page;
    std::string path;
    bool loaded = false;
    TakenLog taken;
};

bool isFrame(const Bytes& f, std::initializer_list<int> bytes2to11) {
    std::size_t i = 2;
    for (int b : bytes2to11) {
        if (b >= 0 && f[i] != b)
            return false;
        ++i;
    }
    return true;
}
// A block header of `part` with index byte `index` (-1: any), or the bank-switch header.
auto blockHeader(int part, int index) {
    return [part, index](const Bytes& f) {
        return isFrame(f, {0x20, part, 0xAA, 0x00, 0x00, 0x01, 0x01, 0x40, index, 0x00});
    };
}
auto bankSwitchHeader(int part) {
    return [part](const Bytes& f) {
        return isFrame(f, {0x20, part, 0xAA, 0x00, 0x00, 0x01, 0x01, 0xB0, 0x01, 0x00});
    };
}
auto endHeader(int part) {
    return [part](const Bytes& f) {
        return isFrame(f, {0x20, part, 0x56, 0x00, 0xFE, 0x00, 0x01, 0x40, -1, 0x00});
    };
}
auto exactly(std::initializer_list<int> bytes2to11) {
    return [bytes = std::vector<int>(bytes2to11)](const Bytes& f) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (f[i + 2] != bytes[i])
                return false;
        }
        return true;
    };
}

struct SweepStep {
    int file; // index into the files
    StepSite site;
};

TEST(FirmwareUpgradeSweep, EveryStepAgainstEveryFault) {
    // File 0: the main image alone, across two bank switches (last block 546 = bank 2, block
    // 34); its skipped blocks hold FF as the flash does. File 1: a slave image past block 256
    // and an IR image, neither holding a pair the part-end scan stops at.
    const Bytes main = firmwareImage(140000, 1, {true, false});
    const Bytes slave = firmwareImage(150000, 2);
    const Bytes ir = firmwareImage(30000, 3);
    Bytes slaveIr = firmwareSection(0xA4, 0x5B, slave);
    const Bytes irSection = firmwareSection(0xA3, 0x5C, ir);
    slaveIr.insert(slaveIr.end(), irSection.begin(), irSection.end());
    const std::vector<SweepFile> files = {
        {"main image", firmwareSection(0xA5, 0x5A, main), {{1, main}}},
        {"slave and IR images", slaveIr, {{2, slave}, {3, ir}}},
    };
    const std::vector<SweepStep> steps = {
        {0, {"part 1 start", exactly({0x20, 0x01, 0x01, 0, 0, 0, 0, 0x40, 0, 0})}},
        {0, {"erase", exactly({0x20, 0x01, 0x80, 0, 0, 0, 0, 0x40, 0, 0})}},
        {0, {"prepare", exactly({0x20, 0x01, 0x10, 0, 0, 0, 0, 0x40, 0, 0})}},
        {0, {"first block", blockHeader(1, 0)}},
        {0, {"a middle block (100)", blockHeader(1, 100)}},
        {0, {"the bank-switch block", bankSwitchHeader(1)}},
        {0, {"the block after it", blockHeader(1, 0), 2}},
        {0, {"the second bank switch", bankSwitchHeader(1), 2}},
        {0, {"the end header", endHeader(1)}},
        // The first poll goes out while the matrix reboots; the second gets the reboot report.
        {0, {"reboot polls", exactly({0x01, 0x01, 0, 0, 0, 0, 0, 0x40, 0, 0}), 2}},
        {1, {"part 2 start", exactly({0x20, 0x02, 0x01, 0, 0, 0, 0, 0x40, 0, 0})}},
        {1, {"part 2 block 256", blockHeader(2, 0), 2}},
        {1, {"part 2 end header", endHeader(2)}},
        {1, {"part 3 go-ahead", exactly({0x20, 0x02, 0x03, 0, 0, 0, 0, 0x40, 0, 0})}},
        {1, {"part 3 first block", blockHeader(3, 0)}},
    };

    // The clean runs: each file goes through, and they tell which reply answers each step.
    std::vector<TakenLog> clean;
    for (const SweepFile& file : files) {
        SCOPED_TRACE(file.name);
        FirmwareRig rig(file);
        ASSERT_TRUE(rig.loaded);
        rig.run();
        ASSERT_TRUE(rig.flashHolds(file));
        const std::string& log = rig.page->messages();
        ASSERT_GE(log.size(), SuccessLine.size());
        ASSERT_EQ(log.substr(log.size() - SuccessLine.size()), SuccessLine);
        clean.push_back(rig.taken);
    }

    int runs = 0, succeeded = 0, failed = 0;
    for (const SweepStep& step : steps) {
        const SweepFile& file = files.at(static_cast<std::size_t>(step.file));
        const std::optional<int> reply =
            answerNumber(clean.at(static_cast<std::size_t>(step.file)), step.site);
        ASSERT_TRUE(reply) << step.site.name << " does not occur in the clean run";
        for (Fault fault : AllFaults) {
            SCOPED_TRACE(step.site.name + " / " + faultName(fault));
            FirmwareRig rig(file);
            ASSERT_TRUE(rig.loaded);
            applyFault(rig.matrixDevice().faults(), fault, *reply, GapMs);
            rig.run();
            ++runs;
            const std::string& log = rig.page->messages();
            const bool success = log.find(SuccessLine) != std::string::npos;
            // At rest: not upgrading, "Upgrade" enabled, the main window told the page is free.
            EXPECT_FALSE(rig.page->upgrading());
            EXPECT_FALSE(rig.page->holdsNavigation());
            EXPECT_TRUE(rig.page->upgradeEnabled());
            EXPECT_TRUE(rig.busyEvents().busy.empty() || !rig.busyEvents().busy.back());
            if (success) {
                ++succeeded;
                EXPECT_TRUE(rig.flashHolds(file)) << "success reported, flash differs";
                EXPECT_EQ(log.find(SuccessLine), log.size() - SuccessLine.size());
                continue;
            }
            ++failed;
            bool failureLine = false;
            for (const char* line : FailureLines) {
                const std::string l = line;
                failureLine = failureLine ||
                              (log.size() >= l.size() && log.substr(log.size() - l.size()) == l);
            }
            bool standbyShown = false;
            for (const std::string& m : rig.dialogView().messages)
                standbyShown = standbyShown || m == "Matrix is in standby mode!";
            EXPECT_TRUE(failureLine || standbyShown) << "no success and no failure: " << log;
        }
    }
    const int expected = static_cast<int>(steps.size() * std::size(AllFaults));
    EXPECT_EQ(runs, expected);
    std::printf("firmware upgrade sweep: %zu steps x %zu faults = %d runs (%d succeeded with the "
                "flash equal to the images, %d failed cleanly)\n",
                steps.size(), std::size(AllFaults), runs, succeeded, failed);
    ::testing::Test::RecordProperty("runs", runs);
}

} // namespace
