// Any bytes as an EDID file: the check and the summary decoder must neither read out of bounds nor
// disagree with each other about what a good file holds.
#include "core/edid/EdidFile.h"
#include "core/edid/EdidSummary.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <algorithm>
#include <vector>

namespace {

void checkAndDecode(const std::uint8_t* data, std::size_t size);

// The same bytes with the EDID header in front and every whole block's sum put right, so that
// random input reaches the extension checks and the extension decoder, not only the header check.
void asGoodAsItGets(const std::uint8_t* data, std::size_t size) {
    if (size < quorvane::edid::BlockSize)
        return;
    std::vector<std::uint8_t> bytes(data, data + size);
    std::copy(quorvane::edid::EdidHeader.begin(), quorvane::edid::EdidHeader.end(), bytes.begin());
    for (std::size_t block = 0; block + quorvane::edid::BlockSize <= size;
         block += quorvane::edid::BlockSize) {
        const std::size_t last = block + quorvane::edid::BlockSize - 1;
        bytes[last] = 0;
        bytes[last] = static_cast<std::uint8_t>(
            0x100 - quorvane::edid::blockSum(bytes.data() + block, quorvane::edid::BlockSize));
    }
    checkAndDecode(bytes.data(), bytes.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1024)
        return 0;
    checkAndDecode(data, size);
    asGoodAsItGets(data, size);
    return 0;
}

namespace {

void checkAndDecode(const std::uint8_t* data, std::size_t size) {
    const quorvane::edid::FileCheck check = quorvane::edid::checkEdidFile(data, size);
    (void)quorvane::edid::faultDetail(check);
    const auto summary = quorvane::edid::decodeEdid(data, size);
    if (check.accepted()) {
        // An accepted file has the header, so it always decodes; its extension half is the file's
        // or zero.
        if (!summary || (check.acceptedBytes != 128 && check.acceptedBytes != 256))
            std::abort();
        for (std::size_t i = check.acceptedBytes; i < quorvane::edid::BufferSize; ++i) {
            if (check.edid[i] != 0)
                std::abort();
        }
    }
    if (summary)
        (void)quorvane::edid::summaryLines(*summary);
}

} // namespace
