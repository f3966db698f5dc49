#include "core/link/TrafficUdpLink.h"

#include <algorithm>

namespace quorvane {

bool TrafficUdpLink::bind(std::uint16_t port, Receiver receiver) {
    return inner_.bind(port, [this, receiver = std::move(receiver)](
                                 const std::uint8_t* data, std::size_t size, const UdpPeer& from) {
        report(TrafficDirection::Received, from, data, size);
        if (receiver)
            receiver(data, size, from);
    });
}

bool TrafficUdpLink::sendBroadcast(std::uint16_t port, const std::uint8_t* data, std::size_t size) {
    const bool sent = inner_.sendBroadcast(port, data, size);
    if (sent)
        report(TrafficDirection::Sent, UdpPeer{LimitedBroadcast, port}, data, size);
    return sent;
}

void TrafficUdpLink::report(TrafficDirection direction, const UdpPeer& peer,
                            const std::uint8_t* data, std::size_t size) {
    if (state_.traffic == nullptr)
        return;
    TrafficEntry entry;
    entry.timeMs = clock_.nowMs();
    entry.direction = direction;
    entry.transport = Transport::Udp;
    entry.peer = peer;
    // A datagram can be up to 64 KiB from anyone: the journal keeps its first bytes and its size.
    entry.size = size;
    entry.bytes.assign(data, data + std::min(size, UdpBytesKept));
    state_.traffic->record(std::move(entry));
}

} // namespace quorvane
