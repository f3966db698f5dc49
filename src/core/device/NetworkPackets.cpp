#include "device/NetworkPackets.h"

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

void append(std::vector<std::uint8_t>& bytes, const std::uint8_t* data, std::size_t size) {
    // What does not fit is not kept: a sender that floods the port cannot grow the buffer.
    if (bytes.size() + size > ReceiveLimit) {
        bytes.clear();
        if (size > ReceiveLimit)
            return;
    }
    bytes.insert(bytes.end(), data, data + size);
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

std::optional<FoundMatrix> DiscoveryBuffer::feed(const std::uint8_t* data, std::size_t size) {
    append(bytes_, data, size);
    if (bytes_.size() < DiscoveryMinimum)
        return std::nullopt;
    const auto start = std::find_if(bytes_.begin(), bytes_.end(),
                                    [](std::uint8_t b) { return b != DiscoveryRequest; });
    const auto held = static_cast<std::size_t>(bytes_.end() - start);
    if (held < DiscoveryFields) {
        // Only our own requests, or a reply whose fields have not all arrived: wait for more.
        if (held == 0)
            bytes_.clear();
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
    bytes_.clear();
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

bool ConfigurationReplyBuffer::feed(const std::uint8_t* data, std::size_t size,
                                    const ConfigurationPacket& sent) {
    append(bytes_, data, size);
    if (bytes_.size() < ConfigurationSize)
        return false;
    bool accepted = false;
    // Only offsets from which a whole reply has been received are looked at.
    for (std::size_t i = 0; i + ConfigurationSize <= bytes_.size(); ++i) {
        if (i + 2 >= ConfigurationSize)
            break;
        if (bytes_[i] == sent[i] && bytes_[i + 1] == sent[i + 1] && bytes_[i + 2] == sent[i + 2]) {
            accepted = bytes_[i + 74] == 0x00;
            break;
        }
    }
    bytes_.clear();
    return accepted;
}

} // namespace quorvane::net
