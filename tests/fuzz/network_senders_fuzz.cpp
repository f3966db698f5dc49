// A stream of datagrams from several senders, at times the input chooses, into the discovery and
// configuration reply buffers. Each record: sender (one byte: address and port from a small set),
// time step (one byte, 0..2550 ms), flags (one byte), length (one byte), then the datagram. A flag
// makes the datagram an acceptance of the packet just sent, so that path is reached too.
//
// Checked: the buffers never hold more senders or bytes than their bounds, never read past a
// datagram (each is its own allocation, under the address sanitizer), a found matrix is well
// formed and its MAC and address came from that one sender, and an acceptance is reported only
// when that sender sent the 74 echoed bytes of the packet.
#include "core/device/NetworkPackets.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

// Everything one sender has sent, in order.
using Streams = std::map<std::pair<std::uint32_t, std::uint16_t>, std::vector<std::uint8_t>>;

bool holds(const std::vector<std::uint8_t>& stream, const std::uint8_t* bytes, std::size_t size) {
    return std::search(stream.begin(), stream.end(), bytes, bytes + size) != stream.end();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7)
        return 0;
    net::ConfigurationRequest request;
    request.staticIp = (data[0] & 1) != 0;
    std::copy_n(data + 1, 6, request.target.begin());
    net::ConfigurationPacket sent{};
    net::writeConfiguration(sent, request);

    net::DiscoveryBuffer discovery;
    net::ConfigurationReplyBuffer configuration;
    Streams streams;
    std::int64_t now = 0;
    std::size_t at = 7;
    while (at + 4 <= size) {
        const std::uint8_t who = data[at];
        const UdpPeer from{0x0A000000u + (who % 24u),
                           static_cast<std::uint16_t>(30600 + who / 128)};
        now += std::int64_t{data[at + 1]} * 10;
        const std::uint8_t flags = data[at + 2];
        const std::size_t length = std::min<std::size_t>(data[at + 3], size - at - 4);
        at += 4;
        std::vector<std::uint8_t> datagram(data + at, data + at + length);
        at += length;
        if (flags & 1) {
            // An acceptance of the packet just sent, cut where the flags say.
            std::vector<std::uint8_t> echo(sent.begin(), sent.end());
            echo[74] = 0x00;
            datagram.assign(echo.begin(), echo.begin() + (flags >> 1) % 77);
        }
        std::vector<std::uint8_t>& stream = streams[{from.address, from.port}];
        stream.insert(stream.end(), datagram.begin(), datagram.end());

        if (const auto found = discovery.feed(datagram.data(), datagram.size(), from, now)) {
            const auto mac = net::parseMacText(found->mac);
            if (!mac || found->mac != net::macText(*mac) || !holds(stream, mac->data(), 6))
                std::abort();
        }
        if (configuration.feed(datagram.data(), datagram.size(), from, now, sent) &&
            !holds(stream, sent.data(), net::ConfigurationEchoed))
            std::abort();
        if (discovery.senders() > net::JoinSenders || configuration.senders() > net::JoinSenders ||
            discovery.size() > net::JoinSenders * net::ReceiveLimit ||
            configuration.size() > net::JoinSenders * net::ReceiveLimit)
            std::abort();
    }
    return 0;
}
