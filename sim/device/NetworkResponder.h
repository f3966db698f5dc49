#pragma once
// The simulated matrix's network identity and its answers to discovery and network configuration
// (UDP ports 30600 and 30601). No I/O: datagrams in, replies out; the caller sends each reply back
// to the sender on the port it came in on.

#include "core/device/NetworkPackets.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvane::sim {

struct NetworkIdentity {
    net::Mac mac{0x02, 0x51, 0x56, 0x00, 0x00, 0x01};
    std::uint32_t ip = 0x7F000001; // host order, 127.0.0.1
    bool autoIp = false;
};

class NetworkResponder {
public:
    explicit NetworkResponder(NetworkIdentity identity = {}) : identity_(identity) {}

    // A datagram received on `port`. Discovery: the request "a" is answered with a 55-byte reply
    // (MAC, IP, subnet mask, gateway, marker 77 88, address mode). Configuration: a 76-byte packet
    // with this matrix's MAC in bytes 0..5, FF in byte 74 and a right checksum is applied (a
    // static address, or automatic with the address kept; the new MAC) and echoed with 00 in
    // byte 74. Anything else gets no answer.
    std::vector<std::vector<std::uint8_t>> receive(std::uint16_t port, const std::uint8_t* data,
                                                   std::size_t size);

    const NetworkIdentity& identity() const { return identity_; }
    NetworkIdentity& identity() { return identity_; }

private:
    NetworkIdentity identity_;
};

} // namespace quorvane::sim
