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
        deliver(port, datagram, 0);
    for (auto& matrix : matrices_) {
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
                deliver(port, reply, delayMs + faults.repeatAfterMs);
            deliver(port, std::move(reply), delayMs);
        }
    }
    return true;
}

NetworkResponder& SimulatedUdpNetwork::addMatrix(NetworkIdentity identity) {
    matrices_.push_back(std::make_unique<NetworkResponder>(identity));
    return *matrices_.back();
}

void SimulatedUdpNetwork::deliver(std::uint16_t port, std::vector<std::uint8_t> datagram,
                                  int delayMs) {
    clock_.schedule(delayMs, [this, port, binding = binding_, d = std::move(datagram)] {
        if (binding != binding_ || port != boundPort_ || !receiver_)
            return;
        const Receiver receiver = receiver_;
        receiver(d.data(), d.size());
    });
}

} // namespace quorvane::sim
