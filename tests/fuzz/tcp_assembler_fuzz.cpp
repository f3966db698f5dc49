// Feeds arbitrary reads to the TCP frame assembler, one byte at a time and in arbitrary chunks,
// and checks that both ways cut the same frames and that the pending tail stays small.
#include "core/link/TcpFrameAssembler.h"

#include <cstdlib>
#include <vector>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t chunk = data[0] % 40 + 1;
    TcpFrameAssembler byteWise, chunked;
    std::vector<Frame> a, b;
    for (std::size_t i = 1; i < size; ++i) {
        for (const Frame& f : byteWise.feed(data + i, 1))
            a.push_back(f);
        if (byteWise.pendingCount() >= FrameSize)
            std::abort();
    }
    for (std::size_t i = 1; i < size; i += chunk) {
        const std::size_t n = std::min(chunk, size - i);
        for (const Frame& f : chunked.feed(data + i, n))
            b.push_back(f);
    }
    if (a != b)
        std::abort();
    for (const Frame& f : a)
        if (!hasFrameStart(f))
            std::abort();
    return 0;
}
