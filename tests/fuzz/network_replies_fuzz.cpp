// Feeds arbitrary datagrams, cut into pieces the input chooses, to the discovery and configuration
// reply buffers: they must never read past what they hold, never hold more than their limit, and
// whatever they report must be well formed.
#include "core/device/NetworkPackets.h"

#include <algorithm>
#include <cstdlib>

using namespace quorvane;

namespace {
bool wellFormedIp(const std::string& ip) {
    int dots = 0;
    for (char c : ip) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return false;
    }
    return dots == 3 && ip.size() >= 7 && ip.size() <= 15;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t chunk = data[0] % 80 + 1;
    net::ConfigurationPacket sent{};
    net::ConfigurationRequest request;
    request.staticIp = (data[1] & 1) != 0;
    std::copy_n(data + 2, std::min<std::size_t>(6, size - 2), request.target.begin());
    net::writeConfiguration(sent, request);

    net::DiscoveryBuffer discovery;
    net::ConfigurationReplyBuffer configuration;
    for (std::size_t i = 2; i < size; i += chunk) {
        const std::size_t n = std::min(chunk, size - i);
        // Each piece is its own allocation, so a read past it is caught.
        std::vector<std::uint8_t> piece(data + i, data + i + n);
        if (const auto found = discovery.feed(piece.data(), piece.size(), UdpPeer{1, 1}, 0)) {
            if (found->mac.size() != 12 || !net::parseMacText(found->mac) ||
                !wellFormedIp(found->ip))
                std::abort();
        }
        if (discovery.size() > net::ReceiveLimit || configuration.size() > net::ReceiveLimit)
            std::abort();
        configuration.feed(piece.data(), piece.size(), UdpPeer{1, 1}, 0, sent);
    }
    return 0;
}
