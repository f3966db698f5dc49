#pragma once
// A broadcast network in virtual time for the discovery and configuration tests: the program's
// UDP socket (a UdpLink) and any number of simulated matrices (NetworkResponder). A broadcast
// reaches every matrix and, as on a real network, comes back to the sender itself (from the
// program's own address); a matrix's reply reaches the program after the latency, from the
// matrix's address. Tests may also deliver datagrams of their own, from any address.

#include "VirtualClock.h"
#include "core/link/UdpLink.h"
#include "sim/device/NetworkResponder.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quorvane::sim {

class SimulatedUdpNetwork : public UdpLink {
public:
    explicit SimulatedUdpNetwork(VirtualClock& clock) : clock_(clock) {}

    // UdpLink: the program's socket.
    bool bind(std::uint16_t port, Receiver receiver) override;
    bool sendBroadcast(std::uint16_t port, const std::uint8_t* data, std::size_t size) override;
    void close() override;
    bool isBound() const override { return boundPort_ != 0; }

    NetworkResponder& addMatrix(NetworkIdentity identity);
    // A port that someone else holds: bind() to it fails.
    void occupy(std::uint16_t port) { occupied_ = port; }
    // When false, a matrix takes configurations but sends no reply.
    void setMatricesAnswerConfiguration(bool answer) { answerConfiguration_ = answer; }
    // Delivers a datagram to the program's socket if it is bound to `port`, after `delayMs`, from
    // `from` (by default a host of its own, 10.0.0.200, sending from the same port).
    void deliver(std::uint16_t port, std::vector<std::uint8_t> datagram, int delayMs = 0,
                 UdpPeer from = {});

    // Faults of the matrices' replies, each naming one reply by its number (from 1, counting every
    // reply of every matrix to discovery and configuration alike; 0 switches it off).
    struct ReplyFaults {
        int dropReply = 0;  // never sent
        int delayReply = 0; // sent `delayMs` later than the latency
        int delayMs = 0;
        int repeatReply = 0; // sent once more, `repeatAfterMs` after the first
        int repeatAfterMs = 0;
        int alterReply = 0; // byte `alterByte` has `alterAdd` added (modulo 256)
        std::size_t alterByte = 0;
        std::uint8_t alterAdd = 0;
    };
    ReplyFaults faults;
    int replyCount() const { return replyCount_; }

    std::uint16_t boundPort() const { return boundPort_; }
    // Every datagram the program broadcast, in order.
    const std::vector<std::vector<std::uint8_t>>& sent() const { return sent_; }
    int latencyMs = 5;
    // The program's own address, from which its broadcasts come back to it.
    std::uint32_t programAddress = 0x0A000001;
    static constexpr std::uint32_t OtherHost = 0x0A0000C8;

private:
    VirtualClock& clock_;
    std::uint16_t boundPort_ = 0;
    std::uint16_t occupied_ = 0;
    bool answerConfiguration_ = true;
    int replyCount_ = 0;
    std::uint64_t binding_ = 0; // bumped at every bind and close: late datagrams are dropped
    Receiver receiver_;
    std::vector<std::unique_ptr<NetworkResponder>> matrices_;
    std::vector<std::vector<std::uint8_t>> sent_;
};

} // namespace quorvane::sim
