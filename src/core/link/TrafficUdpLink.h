#pragma once
// A UdpLink that reports every datagram it sends and receives to the traffic window, with the
// peer's address: the matrix search and the network configuration, and whatever any other host
// sends to their ports while they listen. Forwards everything else to the link it wraps.
//
// User-interface thread, like the link it wraps.

#include "core/app/LinkState.h"
#include "core/app/Timers.h"
#include "core/link/Traffic.h"
#include "core/link/UdpLink.h"

namespace quorvane {

class TrafficUdpLink : public UdpLink {
public:
    TrafficUdpLink(UdpLink& inner, LinkState& state, const Clock& clock)
        : inner_(inner), state_(state), clock_(clock) {}

    bool bind(std::uint16_t port, Receiver receiver) override;
    bool sendBroadcast(std::uint16_t port, const std::uint8_t* data, std::size_t size) override;
    void close() override { inner_.close(); }
    bool isBound() const override { return inner_.isBound(); }

private:
    void report(TrafficDirection direction, const UdpPeer& peer, const std::uint8_t* data,
                std::size_t size);

    UdpLink& inner_;
    LinkState& state_;
    const Clock& clock_;
};

} // namespace quorvane
