#include "core/firmware/UpgradePlan.h"

#include <cstdio>

namespace quorvane::firmware {

namespace {

std::string hexPair(const FirmwareFile& file, std::size_t at) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X %02X", file.at(at), file.at(at + 1));
    return text;
}

std::string partLabel(int part) {
    return "part " + std::to_string(part) + " (" + processorName(part) + ")";
}

// The first reason why `plan`'s parts cannot all be sent whole, or "".
std::string refusalOf(const UpgradePlan& plan, const FirmwareFile& file) {
    int previous = 0;
    for (const PartPlan& p : plan.parts) {
        const std::string label = partLabel(p.part);
        if (p.part <= previous) {
            return label + ": found behind part " + std::to_string(previous) +
                   ", where the file can hold no such part";
        }
        previous = p.part;
        if (p.part == 4)
            return label + ": the matrix does not answer its upgrade";
        if (p.imageSize() == 0)
            return label + ": its image is empty";
        const std::size_t inBank = p.lastBlock() % BankBlocks;
        if (p.part == 1 && inBank > BankSwitchBlock) {
            return label + ": its last block (" + std::to_string(p.lastBlock()) +
                   ") lies in blocks 241..255 of a bank, which the bank switch skips";
        }
    }
    if (plan.stoppedAt && !plan.parts.empty()) {
        const PartPlan& last = plan.parts.back();
        return partLabel(last.part) + ": the part-end scan stops at offset " +
               std::to_string(*plan.stoppedAt) + " (" + hexPair(file, *plan.stoppedAt) +
               "), which starts no part";
    }
    return {};
}

} // namespace

std::size_t PartPlan::blocksSkipped() const {
    if (part != 1)
        return 0;
    // Every bank passed whole skips its 15 blocks; so does the bank of the last block when that
    // block lies beyond 240 (such a plan is refused).
    const std::size_t n = lastBlock();
    const std::size_t whole = n / BankBlocks;
    const std::size_t inBank = n % BankBlocks;
    return whole * (BankBlocks - BankSwitchBlock - 1) +
           (inBank > BankSwitchBlock ? inBank - BankSwitchBlock : 0);
}

const char* processorName(int part) {
    switch (part) {
    case 1:
        return "main processor";
    case 2:
        return "slave processor 1";
    case 3:
        return "IR processor 2";
    default:
        return "panel processor 3";
    }
}

UpgradePlan planUpgrade(const FirmwareFile& file) {
    UpgradePlan plan;
    std::size_t at = 0;
    while (true) {
        const int part = partOfMarker(file.at(at), file.at(at + 1));
        if (part == 0 || at + 1 >= file.length()) {
            plan.stoppedAt = at;
            break;
        }
        const std::size_t end = part == 1 ? file.length() : file.scanPartEnd(at + 2);
        plan.parts.push_back({part, at, end});
        if (end >= file.length())
            break;
        at = end;
    }
    plan.refusal = refusalOf(plan, file);
    return plan;
}

std::vector<PartPlan> findMarkers(const FirmwareFile& file) {
    std::vector<PartPlan> found;
    const auto& bytes = file.bytes();
    for (std::size_t q = 0; q + 1 < bytes.size(); ++q) {
        const int part = partOfMarker(bytes[q], bytes[q + 1]);
        if (part == 0)
            continue;
        if (!found.empty())
            found.back().end = q;
        found.push_back({part, q, bytes.size()});
        ++q; // a marker's second byte starts no marker
    }
    return found;
}

} // namespace quorvane::firmware
