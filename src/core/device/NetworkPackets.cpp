#include "core/device/NetworkPackets.h"

#include <algorithm>

namespace quorvane::net {

namespace {
constexpr char HexDigits[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string macText(const Mac& mac) {
    std::string text;
    for (std::uint8_t b : mac) {
        text += HexDigits[b >> 4];
        text += HexDigits[b & 0x0F];
    }
    return text;
}

std::optional<Mac> parseMacText(const std::string& text) {
    if (text.size() != 12)
        return std::nullopt;
    Mac mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const int high = hexValue(text[2 * i]);
        const int low = hexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return mac;
}

const std::vector<std::uint8_t>& DatagramJoiner::add(const UdpPeer& from, const std::uint8_t* data,
                                                     std::size_t size, std::int64_t nowMs) {
    // Pieces whose time is up are dropped, whoever sent them.
    std::erase_if(pieces_, [nowMs](const Pieces& p) { return nowMs - p.firstMs >= JoinWindowMs; });
    auto held = std::find_if(pieces_.begin(), pieces_.end(),
                             [&from](const Pieces& p) { return p.from == from; });
    if (held == pieces_.end()) {
        if (pieces_.size() >= JoinSenders)
            pieces_.erase(pieces_.begin()); // the oldest sender's pieces
        pieces_.push_back(Pieces{from, nowMs, {}});
        held = pieces_.end() - 1;
    }
    std::vector<std::uint8_t>& bytes = held->bytes;
    // What does not fit is not kept: a sender that floods the port cannot grow the buffer.
    if (bytes.size() + size > ReceiveLimit) {
        bytes.clear();
        held->firstMs = nowMs;
        if (size > ReceiveLimit)
            return bytes;
    }
    bytes.insert(bytes.end(), data, data + size);
    return bytes;
}

void DatagramJoiner::drop(const UdpPeer& from) {
    std::erase_if(pieces_, [&from](const Pieces& p) { return p.from == from; });
}

std::size_t DatagramJoiner::size() const {
    std::size_t total = 0;
    for (const Pieces& p : pieces_)
        total += p.bytes.size();
    return total;
}

std::optional<FoundMatrix> DiscoveryBuffer::feed(const std::uint8_t* data, std::size_t size,
                                                 const UdpPeer& from, std::int64_t nowMs) {
    const std::vector<std::uint8_t>& bytes = pieces_.add(from, data, size, nowMs);
    if (bytes.size() < DiscoveryMinimum)
        return std::nullopt;
    const auto start = std::find_if(bytes.begin(), bytes.end(),
                                    [](std::uint8_t b) { return b != DiscoveryRequest; });
    const auto held = static_cast<std::size_t>(bytes.end() - start);
    if (held < DiscoveryFields) {
        // Only our own requests, or a reply whose fields have not all arrived: wait for more.
        if (held == 0)
            pieces_.drop(from);
        return std::nullopt;
    }
    const std::uint8_t* reply = &*start;
    std::optional<FoundMatrix> found;
    if (reply[18] == DiscoveryMarker1 && reply[19] == DiscoveryMarker2) {
        Mac mac{};
        std::copy(reply, reply + 6, mac.begin());
        found = FoundMatrix{macText(mac),
                            std::to_string(reply[6]) + "." + std::to_string(reply[7]) + "." +
                                std::to_string(reply[8]) + "." + std::to_string(reply[9])};
    }
    pieces_.drop(from);
    return found;
}

void writeConfiguration(ConfigurationPacket& packet, const ConfigurationRequest& request) {
    std::copy(request.target.begin(), request.target.end(), packet.begin());
    if (request.staticIp) {
        std::copy(request.ip.begin(), request.ip.end(), packet.begin() + 6);
        std::copy(request.ip.begin(), request.ip.begin() + 3, packet.begin() + 10);
        packet[13] = 0x01;
        packet[14] = 0xFF;
        packet[15] = 0xFF;
        packet[16] = 0xFF;
        packet[17] = 0x00;
        packet[18] = 0x00;
    } else {
        packet[18] = 0x01;
    }
    std::copy(request.newMac.begin(), request.newMac.end(), packet.begin() + 19);
    packet[25] = request.staticIp ? 0x17 : 0x16;
    std::fill(packet.begin() + 26, packet.begin() + 74, 0x00);
    packet[74] = 0xFF;
    unsigned sum = 0;
    for (std::size_t i = 0; i < 75; ++i)
        sum += packet[i];
    packet[75] = static_cast<std::uint8_t>(sum & 0xFFu);
}

bool ConfigurationReplyBuffer::feed(const std::uint8_t* data, std::size_t size, const UdpPeer& from,
                                    std::int64_t nowMs, const ConfigurationPacket& sent) {
    const std::vector<std::uint8_t>& bytes = pieces_.add(from, data, size, nowMs);
    if (bytes.size() < ConfigurationSize)
        return false;
    bool accepted = false;
    // Only offsets from which a whole reply has been received are looked at; the first that
    // echoes the packet decides.
    for (std::size_t i = 0; i + ConfigurationSize <= bytes.size(); ++i) {
        if (std::equal(sent.begin(), sent.begin() + ConfigurationEchoed, bytes.begin() + i)) {
            accepted = bytes[i + ConfigurationEchoed] == 0x00;
            break;
        }
    }
    pieces_.drop(from);
    return accepted;
}

} // namespace quorvane::net
