#pragma once
// The plan of an upgrade, made before anything is sent: which parts of the file go to which
// processor, how many blocks of each go out, which blocks the main image's bank switches skip,
// and whether the file can be sent whole at all. The page, its file information and the command
// line's "fw info" all read the same plan; a plan that cannot be sent whole is refused before
// the first frame, so the matrix is never erased for an upgrade that cannot finish.

#include "core/firmware/FirmwareFile.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::firmware {

// The 15 blocks after the bank-switch block 240 of every 256: the main processor's bank switch
// skips them.
inline constexpr std::size_t BankBlocks = 256;
inline constexpr std::size_t BankSwitchBlock = 240;

// A section as a reader finds it, or a part as the upgrade sends it: the marker's part, where
// the marker stands and where the part ends.
struct PartPlan {
    int part = 0;          // 1..4
    std::size_t start = 0; // offset of the marker
    std::size_t end = 0;   // exclusive
    std::size_t imageSize() const { return end - start - 2; }
    // n: the index of the part's last block (the one the end header announces).
    std::size_t lastBlock() const { return imageSize() / BlockDataSize; }
    // Blocks that go out, and those of 0..n that the bank switches skip (main processor only).
    std::size_t blocksSent() const { return lastBlock() + 1 - blocksSkipped(); }
    std::size_t blocksSkipped() const;
};

// "main processor", "slave processor 1", "IR processor 2", "panel processor 3".
const char* processorName(int part);

// What the upgrade will send, part by part, following the file from its first marker: part 1
// reaches to the end of the file, parts 2..4 to the next part end the scan finds. Stops at the
// first position that holds no marker (`stoppedAt` then tells where).
struct UpgradePlan {
    std::vector<PartPlan> parts;
    std::optional<std::size_t> stoppedAt;
    // Why the file cannot be sent whole, naming the part ("part 1 (main processor): ..."); empty
    // when it can. A file that does not begin with a marker has no parts and no refusal text
    // (the page answers it with "Upgrade failed!").
    std::string refusal;
    bool sendable() const { return !parts.empty() && refusal.empty(); }
};
UpgradePlan planUpgrade(const FirmwareFile& file);

// Every marker found in the file (the four markers anywhere, also inside another image), in order.
std::vector<PartPlan> findMarkers(const FirmwareFile& file);

} // namespace quorvane::firmware
