#pragma once
// What the simulated matrix does on one of its links in answer to received bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvane::sim {

enum class LinkKind { Serial, Tcp };

struct Emission {
    enum class Kind {
        Data,            // write `bytes`, in one write (or in the pieces `splitAt` cuts)
        CloseConnection, // TCP: the matrix ends the connection
        HangUp,          // serial: the line goes dead, as when an adapter is unplugged
    };
    Kind kind = Kind::Data;
    std::vector<std::uint8_t> bytes;
    // Milliseconds after the frame that caused it (on top of whatever latency the link adds).
    int delayMs = 0;
    // TCP: write `bytes` in pieces cut at these ascending offsets (each in 1..size-1).
    std::vector<std::size_t> splitAt;
};

} // namespace quorvane::sim
