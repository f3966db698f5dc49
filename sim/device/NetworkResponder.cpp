#include "sim/device/NetworkResponder.h"

#include <algorithm>

namespace quorvane::sim {

namespace {
std::vector<std::uint8_t> discoveryReply(const NetworkIdentity& id) {
    std::vector<std::uint8_t> reply(net::DiscoveryReplySize, 0x00);
    std::copy(id.mac.begin(), id.mac.end(), reply.begin());
    for (int i = 0; i < 4; ++i) {
        const auto octet = static_cast<std::uint8_t>(id.ip >> (24 - 8 * i));
        reply[static_cast<std::size_t>(6 + i)] = octet;
        if (i < 3)
            reply[static_cast<std::size_t>(14 + i)] = octet; // gateway a.b.c.1
    }
    reply[10] = 0xFF; // subnet mask 255.255.255.0
    reply[11] = 0xFF;
    reply[12] = 0xFF;
    reply[13] = 0x00;
    reply[17] = 0x01;
    reply[18] = net::DiscoveryMarker1;
    reply[19] = net::DiscoveryMarker2;
    reply[20] = id.autoIp ? 0x01 : 0x00;
    return reply;
}
} // namespace

std::vector<std::vector<std::uint8_t>>
NetworkResponder::receive(std::uint16_t port, const std::uint8_t* data, std::size_t size) {
    if (port == net::DiscoveryPort) {
        if (size == 1 && data[0] == net::DiscoveryRequest)
            return {discoveryReply(identity_)};
        return {};
    }
    if (port != net::ConfigurationPort || size != net::ConfigurationSize)
        return {};
    if (!std::equal(identity_.mac.begin(), identity_.mac.end(), data) || data[74] != 0xFF)
        return {};
    unsigned sum = 0;
    for (std::size_t i = 0; i < 75; ++i)
        sum += data[i];
    if (static_cast<std::uint8_t>(sum & 0xFFu) != data[75])
        return {};

    std::vector<std::uint8_t> reply(data, data + size);
    identity_.autoIp = data[18] == 0x01;
    if (!identity_.autoIp) {
        identity_.ip = (std::uint32_t{data[6]} << 24) | (std::uint32_t{data[7]} << 16) |
                       (std::uint32_t{data[8]} << 8) | data[9];
    }
    std::copy(data + 19, data + 25, identity_.mac.begin());
    reply[74] = 0x00;
    sum = 0;
    for (std::size_t i = 0; i < 75; ++i)
        sum += reply[i];
    reply[75] = static_cast<std::uint8_t>(sum & 0xFFu);
    return {reply};
}

} // namespace quorvane::sim
