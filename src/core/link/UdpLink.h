#pragma once
// The UDP seam of matrix discovery and network configuration: one socket object that the search
// and the configuration dialog share, bound to 0.0.0.0 on one port at a time with broadcast
// allowed. Production: QUdpSocket (src/gui/link); tests: a simulated network in virtual time.
//
// Received datagrams are delivered on the user-interface thread to the receiver of the moment,
// never from inside bind() or sendBroadcast(), with the address and port they came from. Any host
// of the network can send them: they are untrusted input.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace quorvane {

// An IPv4 address (host order, a.b.c.d with a in the top byte) and a UDP port.
struct UdpPeer {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    bool operator==(const UdpPeer&) const = default;
};

inline constexpr std::uint32_t LimitedBroadcast = 0xFFFFFFFF;

class UdpLink {
public:
    using Receiver =
        std::function<void(const std::uint8_t* data, std::size_t size, const UdpPeer& from)>;

    virtual ~UdpLink() = default;
    // Closes any earlier socket and binds a new one to 0.0.0.0:`port`, broadcast allowed; false
    // when the port cannot be had. Datagrams go to `receiver` from then on.
    virtual bool bind(std::uint16_t port, Receiver receiver) = 0;
    // Sends one datagram to 255.255.255.255:`port` from the bound socket; false if none is bound
    // or the send fails.
    virtual bool sendBroadcast(std::uint16_t port, const std::uint8_t* data, std::size_t size) = 0;
    virtual void close() = 0;
    virtual bool isBound() const = 0;
};

} // namespace quorvane
