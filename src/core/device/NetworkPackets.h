#pragma once
// The UDP packets of matrix discovery and network configuration, and the reassembly of the replies.
//
// Replies come from any host on the network: they are untrusted input. The buffers never read past
// the bytes received, never grow without bound, and drop what they cannot use.

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
// Bytes kept waiting for the rest of a reply; beyond this the buffer is dropped.
inline constexpr std::size_t ReceiveLimit = 1024;

using Mac = std::array<std::uint8_t, 6>;
using ConfigurationPacket = std::array<std::uint8_t, ConfigurationSize>;

struct FoundMatrix {
    std::string mac; // 12 upper-case hexadecimal digits
    std::string ip;  // dotted decimal
};

// "001A2B3C4D5E" from six bytes, and back (exactly 12 hexadecimal digits, either case).
std::string macText(const Mac& mac);
std::optional<Mac> parseMacText(const std::string& text);

// Discovery replies as they arrive, in any pieces. Leading "a" bytes (the program's own request,
// which comes back to it) are skipped. Once 50 bytes or more are held and a reply's 20 bytes of
// fields are there, the reply is read and the buffer emptied; a reply without the 77 88 marker is
// dropped.
class DiscoveryBuffer {
public:
    // Returns the matrix a complete reply names, if any.
    std::optional<FoundMatrix> feed(const std::uint8_t* data, std::size_t size);
    void clear() { bytes_.clear(); }
    std::size_t size() const { return bytes_.size(); }

private:
    std::vector<std::uint8_t> bytes_;
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

// Configuration replies as they arrive. A reply counts once 76 bytes are held from the first offset
// i whose three bytes equal the sent packet's bytes at i; it accepts the setting when its byte 74
// is 00. The program's own broadcast coming back has FF there and accepts nothing.
class ConfigurationReplyBuffer {
public:
    // True when the bytes received complete an acceptance of `sent`.
    bool feed(const std::uint8_t* data, std::size_t size, const ConfigurationPacket& sent);
    void clear() { bytes_.clear(); }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace quorvane::net
