// Feeds arbitrary bytes to the firmware file reader and the part-end scan, and checks what every
// plan of an upgrade must satisfy. The input is the file as stored; an input whose first byte is
// FF instead gives the file's length in its next three bytes (up to just past the buffer, so the
// size refusal is reached too) and the rest is repeated to fill it.
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/UpgradePlan.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace quorvane::firmware;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::vector<std::uint8_t> stored(data, data + size);
    if (data[0] == 0xFF && size >= 5) {
        const std::size_t length =
            ((std::size_t{data[1]} << 16) | (std::size_t{data[2]} << 8) | data[3]) %
            (MaxFileSize + 2);
        stored.clear();
        stored.reserve(length);
        while (stored.size() < length)
            stored.insert(stored.end(), data + 4,
                          data + 4 + std::min(size - 4, length - stored.size()));
    }
    const std::size_t length = stored.size();

    FirmwareFile file;
    const auto result = file.loadScrambled(stored);
    if ((result == FirmwareFile::LoadResult::TooLarge) != (length > MaxFileSize))
        std::abort();
    if (result != FirmwareFile::LoadResult::Loaded)
        return 0;
    if (file.length() != length)
        std::abort();

    // A large file is checked near its end only, where the buffer's edge is: whole-file passes
    // on every run would slow the fuzzer down a hundredfold.
    const std::size_t nearEnd = length > 4096 ? length - 600 : 0;
    // The scan never runs backwards or past the end, and stops only at a pair it may stop at.
    for (std::size_t from : {nearEnd, nearEnd + 2, length - 1, length, length + 7}) {
        const std::size_t q = file.scanPartEnd(from);
        if (q > length || (q < length && q < from))
            std::abort();
        if (q < length) {
            const std::uint8_t a = file.at(q);
            const std::uint8_t b = file.at(q + 1);
            if (q + 1 >= length || (a != 0xA3 && a != 0xA4) || (b != 0x5B && b != 0x5C))
                std::abort();
        }
    }

    if (nearEnd > 0) {
        const Block block = file.block(nearEnd, (length - nearEnd) / BlockDataSize);
        unsigned sum = 0;
        for (std::uint8_t byte : block)
            sum += byte;
        if ((sum & 0xFFu) != 0)
            std::abort();
        return 0;
    }

    // Parts follow each other from offset 0, each starting at its own marker; every block of every
    // part carries a check byte that makes it sum to 0.
    const UpgradePlan plan = planUpgrade(file);
    std::size_t at = 0;
    for (const PartPlan& part : plan.parts) {
        if (part.start != at || part.end > length || part.end < part.start + 2 ||
            partOfMarker(file.at(part.start), file.at(part.start + 1)) != part.part)
            std::abort();
        const std::size_t last = part.imageSize() / BlockDataSize;
        for (std::size_t k : {std::size_t{0}, last}) {
            const Block block = file.block(part.start, k);
            unsigned sum = 0;
            for (std::uint8_t byte : block)
                sum += byte;
            if (block.size() != BlockSize || (sum & 0xFFu) != 0)
                std::abort();
        }
        // Every block of 0..n goes out or is skipped by a bank switch; a plan that can be sent
        // never ends a main image in skipped blocks.
        if (part.blocksSent() + part.blocksSkipped() != last + 1)
            std::abort();
        if (plan.sendable() && part.part == 1 && last % 256 > 240)
            std::abort();
        at = part.end;
    }
    if (plan.sendable() && plan.stoppedAt)
        std::abort();
    if (plan.stoppedAt && *plan.stoppedAt != at)
        std::abort();
    if (!plan.stoppedAt && at != length)
        std::abort();
    for (const PartPlan& marker : findMarkers(file)) {
        if (marker.start + 2 > marker.end || marker.end > length)
            std::abort();
    }
    return 0;
}
