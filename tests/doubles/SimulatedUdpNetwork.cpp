#include "SimulatedUdpNetwork.h"

namespace quorvane::sim {

bool SimulatedUdpNetwork::bind(std::uint16_t port, Receiver receiver) {
    close();
    if (port == occupied_)
        return false;
    boundPort_ = port;
    receiver_ = std::move(receiver);
    return true;
}

void SimulatedUdpNetwork::close() {
    boundPort_ = 0;
    receiver_ = {};
    ++binding_;
}

bool SimulatedUdpNetwork::sendBroadcast(std::uint16_t port, const std::uint8_t* data,
                                        std::size_t size) {
    if (boundPort_ == 0)
        return false;
    std::vector<std::uint8_t> datagram(data, data + size);
    sent_.push_back(datagram);
    // The sender hears its own broadcast first.
    if (port == boundPort_)
        deliver(port, datagram, 0, UdpPeer{programAddress, port});
    for (auto& matrix : matrices_) {
        // The address it answers from is the one it had when the request came.
        const UdpPeer from{matrix->identity().ip, port};
        for (auto& reply : matrix->receive(port, data, size)) {
            if (port == net::ConfigurationPort && !answerConfiguration_)
                continue;
            const int n = ++replyCount_;
            if (faults.dropReply == n)
                continue;
            if (faults.alterReply == n && faults.alterByte < reply.size())
                reply[faults.alterByte] =
                    static_cast<std::uint8_t>(reply[faults.alterByte] + faults.alterAdd);
            const int delayMs = latencyMs + (faults.delayReply == n ? faults.delayMs : 0);
            if (faults.repeatReply == n)
                deliver(port, reply, delayMs + faults.repeatAfterMs, from);
            deliver(port, std::move(reply), delayMs, from);
        }
    }
    return true;
}

NetworkResponder& SimulatedUdpNetwork::addMatrix(NetworkIdentity identity) {
    matrices_.push_back(std::make_unique<NetworkResponder>(identity));
    return *matrices_.back();
}

void SimulatedUdpNetwork::deliver(std::uint16_t port, std::vector<std::uint8_t> datagram,
                                  int delayMs, UdpPeer from) {
    if (from == UdpPeer{})
        from = UdpPeer{OtherHost, port};
    clock_.schedule(delayMs, [this, port, from, binding = binding_, d = std::move(datagram)] {
        if (binding != binding_ || port != boundPort_ || !receiver_)
            return;
        const Receiver receiver = receiver_;
        receiver(d.data(), d.size(), from);
    });
}

} // namespace quorvane::sim
