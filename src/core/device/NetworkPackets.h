#pragma once
// The UDP packets of matrix discovery and network configuration, and the reassembly of the replies.
//
// Replies come from any host on the network: they are untrusted input. The buffers never read past
// the bytes received, never grow without bound, and drop what they cannot use.

#include "core/link/UdpLink.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::net {

inline constexpr std::uint16_t DiscoveryPort = 30600;
inline constexpr std::uint16_t ConfigurationPort = 30601;
// The one-byte discovery request, "a".
inline constexpr std::uint8_t DiscoveryRequest = 0x61;
// A discovery reply: MAC (6), IP (4), 8 bytes not used, marker 77 88, then bytes not used.
inline constexpr std::size_t DiscoveryMinimum = 50;
inline constexpr std::size_t DiscoveryFields = 20;
inline constexpr std::size_t DiscoveryReplySize = 55;
inline constexpr std::uint8_t DiscoveryMarker1 = 0x77;
inline constexpr std::uint8_t DiscoveryMarker2 = 0x88;
inline constexpr std::size_t ConfigurationSize = 76;
// Bytes kept waiting for the rest of a reply, per sender; beyond this they are dropped.
inline constexpr std::size_t ReceiveLimit = 1024;
// Pieces of a reply are joined only when they come from the same sender within this time of the
// first piece.
inline constexpr std::int64_t JoinWindowMs = 1000;
// Senders whose pieces are kept at one time; a new sender beyond this drops the oldest pieces.
inline constexpr std::size_t JoinSenders = 16;

using Mac = std::array<std::uint8_t, 6>;
using ConfigurationPacket = std::array<std::uint8_t, ConfigurationSize>;

struct FoundMatrix {
    std::string mac; // 12 upper-case hexadecimal digits
    std::string ip;  // dotted decimal
};

// "001A2B3C4D5E" from six bytes, and back (exactly 12 hexadecimal digits, either case).
std::string macText(const Mac& mac);
std::optional<Mac> parseMacText(const std::string& text);

// The pieces of replies as they arrive, kept per sender: a datagram joins the bytes held for the
// same address and port when they began less than JoinWindowMs before; otherwise those are
// dropped and the datagram starts anew. So a stray datagram from one host never corrupts a reply
// from another, and a piece never waits for its rest for ever. At most JoinSenders senders and
// ReceiveLimit bytes per sender are held.
class DatagramJoiner {
public:
    // Adds a datagram and returns the bytes now held for its sender.
    const std::vector<std::uint8_t>& add(const UdpPeer& from, const std::uint8_t* data,
                                         std::size_t size, std::int64_t nowMs);
    // Forgets the bytes held for `from`.
    void drop(const UdpPeer& from);
    void clear() { pieces_.clear(); }
    std::size_t senders() const { return pieces_.size(); }
    // Every byte held, over all senders.
    std::size_t size() const;

private:
    struct Pieces {
        UdpPeer from;
        std::int64_t firstMs = 0;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Pieces> pieces_;
};

// Discovery replies as they arrive, in any pieces, joined per sender. Leading "a" bytes (the
// program's own request, which comes back to it) are skipped. Once 50 bytes or more are held from
// one sender and a reply's 20 bytes of fields are there, the reply is read and that sender's bytes
// dropped; a reply without the 77 88 marker is dropped.
class DiscoveryBuffer {
public:
    // Returns the matrix a complete reply names, if any.
    std::optional<FoundMatrix> feed(const std::uint8_t* data, std::size_t size, const UdpPeer& from,
                                    std::int64_t nowMs);
    void clear() { pieces_.clear(); }
    std::size_t size() const { return pieces_.size(); }
    std::size_t senders() const { return pieces_.senders(); }

private:
    DatagramJoiner pieces_;
};

// What the " TCP  Configuration" dialog sends.
struct ConfigurationRequest {
    Mac target{}; // the matrix to configure (its MAC as the search found it)
    bool staticIp = false;
    std::array<std::uint8_t, 4> ip{}; // only with staticIp
    Mac newMac{};
};

// Writes a request into the packet kept for the life of the program: bytes a request does not
// write (6..17 with Auto IP) keep their values from the last packet.
void writeConfiguration(ConfigurationPacket& packet, const ConfigurationRequest& request);

// Bytes of a configuration reply that must equal the packet just sent: all but the result byte
// (74) and the checksum (75).
inline constexpr std::size_t ConfigurationEchoed = 74;

// Configuration replies as they arrive, in pieces joined per sender. Once 76 bytes or more are
// held from one sender, a reply counts when, at some offset, 74 bytes equal bytes 0..73 of the
// packet just sent; it accepts the setting when the byte after them (74) is 00. A reply to an
// earlier packet, or from another matrix, accepts nothing; nor does the program's own broadcast
// coming back, which has FF in byte 74.
class ConfigurationReplyBuffer {
public:
    // True when the bytes received complete an acceptance of `sent`.
    bool feed(const std::uint8_t* data, std::size_t size, const UdpPeer& from, std::int64_t nowMs,
              const ConfigurationPacket& sent);
    void clear() { pieces_.clear(); }
    std::size_t size() const { return pieces_.size(); }
    std::size_t senders() const { return pieces_.senders(); }

private:
    DatagramJoiner pieces_;
};

} // namespace quorvane::net
