#pragma once
// What travels on the link, as the traffic window shows it: one entry per frame sent or received
// and per raw block sent, with the command's name from the catalogue.

#include "core/link/Frame.h"
#include "core/link/Transports.h"
#include "core/link/UdpLink.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

enum class TrafficDirection { Sent, Received };

struct TrafficEntry {
    std::int64_t timeMs = 0; // the link's clock (monotonic)
    TrafficDirection direction = TrafficDirection::Sent;
    Transport transport = Transport::Serial;
    std::vector<std::uint8_t> bytes;
    bool raw = false; // a data block that travels without a frame
    // A received frame that the page did not take: no answer to what it waits for.
    bool unexpected = false;
    // UDP only: where the datagram went (sent) or came from (received), and its whole size, of
    // which `bytes` holds the first UdpBytesKept at most.
    UdpPeer peer = {};
    std::size_t size = 0;
};

inline constexpr std::size_t UdpBytesKept = 80;

// Receives every entry; set in LinkState::traffic for the whole program.
class TrafficSink {
public:
    virtual ~TrafficSink() = default;
    virtual void record(TrafficEntry entry) = 0;
};

// The catalogue's name of a frame: "route input 3 to output B", "EDID handshake", "standby". A
// frame the catalogue does not know is "unknown command 0x.. 0x..".
std::string describeFrame(const Frame& frame, TrafficDirection direction);

// "TX serial  A5 5B 02 ..  route input 3 to output B"; a raw block as "TX tcp  raw block of 290
// bytes  A5 5B ..." with its first bytes only; a datagram as "RX udp  from 10.0.0.9:30600  55
// bytes  02 51 56 ..." (its first 80 bytes at most). A received frame the page did not take ends
// in " (unexpected, ignored)".
std::string formatTraffic(const TrafficEntry& entry);

} // namespace quorvane
