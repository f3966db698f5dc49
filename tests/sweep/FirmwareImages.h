#pragma once
// Firmware images for tests: every byte value occurs, the pattern never repeats block for block
// (so a block written in the wrong place shows), and the marker pairs the part-end scan stops at
// occur only where a file may hold them.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvane::test {

struct ImageShape {
    // A main processor image: the 15 blocks after block 240 of each 64 KiB bank, which the bank
    // switch skips, hold FF (erased flash) as an image built for that layout does.
    bool mainImage = false;
    // An image that a later section follows: no byte A3 or A4 directly followed by 5B or 5C.
    bool noScanPairs = true;
};

// `size` bytes from a 32-bit linear congruential sequence started at `seed`.
inline std::vector<std::uint8_t> firmwareImage(std::size_t size, std::uint32_t seed,
                                               ImageShape shape = {}) {
    std::vector<std::uint8_t> out(size);
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (std::size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        out[i] = static_cast<std::uint8_t>(x >> 24);
    }
    if (shape.mainImage) {
        for (std::size_t i = 0; i < size; ++i) {
            const std::size_t inBank = i % 65536;
            if (inBank >= 241 * 256)
                out[i] = 0xFF;
        }
    }
    if (shape.noScanPairs) {
        for (std::size_t i = 0; i + 1 < size; ++i) {
            const bool first = out[i] == 0xA3 || out[i] == 0xA4;
            if (first && (out[i + 1] == 0x5B || out[i + 1] == 0x5C))
                out[i + 1] = 0x5D;
        }
    }
    return out;
}

// A section: the two marker bytes, then the image.
inline std::vector<std::uint8_t> firmwareSection(std::uint8_t m1, std::uint8_t m2,
                                                 const std::vector<std::uint8_t>& image) {
    std::vector<std::uint8_t> out{m1, m2};
    out.insert(out.end(), image.begin(), image.end());
    return out;
}

} // namespace quorvane::test
