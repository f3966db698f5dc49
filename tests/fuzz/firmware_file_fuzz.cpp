// Feeds arbitrary bytes to the firmware file reader and the part-end scan, and checks what every
// plan of an upgrade must satisfy. The first three bytes give the file's length (up to just past
// the buffer, so the size refusal is reached too); the rest is repeated to fill it.
#include "firmware/FirmwareFile.h"

#include <cstdlib>
#include <vector>

using namespace quorvane::firmware;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const std::size_t length =
        ((std::size_t{data[0]} << 16) | (std::size_t{data[1]} << 8) | data[2]) % (MaxFileSize + 2);
    std::vector<std::uint8_t> stored(length);
    for (std::size_t i = 0; i < length; ++i)
        stored[i] = data[3 + i % (size - 3)];

    FirmwareFile file;
    const auto result = file.loadScrambled(stored);
    if ((result == FirmwareFile::LoadResult::TooLarge) != (length > MaxFileSize))
        std::abort();
    if (result != FirmwareFile::LoadResult::Loaded)
        return 0;
    if (file.length() != length)
        std::abort();

    // The scan never runs backwards or past the end, and stops only at a pair it may stop at.
    for (std::size_t from : {std::size_t{0}, std::size_t{2}, length / 2, length, length + 7}) {
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
        at = part.end;
    }
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
