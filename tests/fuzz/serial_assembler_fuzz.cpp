// Feeds arbitrary bytes to the serial frame assembler one at a time, with arbitrary gaps, and
// checks what every delivered frame must satisfy.
#include "core/link/SerialFrameAssembler.h"

#include <cstdlib>

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SerialFrameAssembler assembler;
    std::int64_t now = 0;
    // Even bytes are line bytes, odd bytes are the gap before them in milliseconds.
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        now += data[i + 1];
        auto frame = assembler.feed(data[i], now);
        if (frame && (!hasFrameStart(frame->bytes) || frame->intact != isIntact(frame->bytes)))
            std::abort();
    }
    return 0;
}
