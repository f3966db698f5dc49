// Discovery and configuration replies from untrusted senders: pieces are joined only from one
// sender (address and port) within 1 s of its first piece, a bounded number of senders is held,
// and a configuration reply counts only when it echoes bytes 0..73 of the packet just sent. Each
// row is a stream of datagrams with their senders and arrival times.
#include "core/device/NetworkPackets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorvane;

namespace {

using Bytes = std::vector<std::uint8_t>;

const UdpPeer MatrixA{0x0A000009, 30600}; // 10.0.0.9
const UdpPeer StrayB{0x0A000063, 30600};  // 10.0.0.99
const UdpPeer SameHostOtherPort{0x0A000009, 40000};

// A discovery reply written out: MAC 00 11 22 33 44 55, IP 192.168.0.20, marker 77 88.
Bytes discoveryReply() {
    Bytes r(55, 0x00);
    const Bytes head = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0xC0, 0xA8, 0x00, 0x14,
                        0xFF, 0xFF, 0xFF, 0x00, 0xC0, 0xA8, 0x00, 0x01, 0x77, 0x88};
    std::copy(head.begin(), head.end(), r.begin());
    return r;
}

Bytes part(const Bytes& b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to));
}

struct Datagram {
    UdpPeer from;
    std::int64_t atMs;
    Bytes bytes;
};

TEST(DiscoveryReplies, PiecesJoinOnlyFromOneSenderWithinOneSecond) {
    const Bytes reply = discoveryReply();
    std::vector<Datagram> manySenders;
    // Seventeen senders with a first piece each: the oldest (the matrix) is let go.
    manySenders.push_back({MatrixA, 0, part(reply, 0, 30)});
    for (std::uint32_t host = 1; host <= 16; ++host)
        manySenders.push_back({UdpPeer{0x0A000100 + host, 30600}, 1, Bytes(10, 0x20)});
    manySenders.push_back({MatrixA, 2, part(reply, 30, 55)});
    const struct {
        const char* what;
        std::vector<Datagram> stream;
        std::vector<std::string> found; // IP texts, in order
    } rows[] = {
        {"whole reply", {{MatrixA, 0, reply}}, {"192.168.0.20"}},
        {"ten stray bytes from another host first",
         {{StrayB, 0, Bytes(10, 0x42)}, {MatrixA, 1, reply}},
         {"192.168.0.20"}},
        {"stray bytes between the two pieces",
         {{MatrixA, 0, part(reply, 0, 30)},
          {StrayB, 1, Bytes(10, 0x42)},
          {MatrixA, 2, part(reply, 30, 55)}},
         {"192.168.0.20"}},
        {"second piece 999 ms after the first",
         {{MatrixA, 0, part(reply, 0, 30)}, {MatrixA, 999, part(reply, 30, 55)}},
         {"192.168.0.20"}},
        {"second piece 1000 ms after the first",
         {{MatrixA, 0, part(reply, 0, 30)}, {MatrixA, 1000, part(reply, 30, 55)}},
         {}},
        {"pieces from two ports of one host",
         {{MatrixA, 0, part(reply, 0, 30)}, {SameHostOtherPort, 1, part(reply, 30, 55)}},
         {}},
        {"a stale piece does not spoil a later whole reply",
         {{MatrixA, 0, part(reply, 0, 30)}, {MatrixA, 1500, reply}},
         {"192.168.0.20"}},
        {"the program's own request comes back from its own address",
         {{UdpPeer{0x0A000001, 30600}, 0, Bytes{0x61}}, {MatrixA, 3, reply}},
         {"192.168.0.20"}},
        {"two matrices, pieces interleaved",
         {{MatrixA, 0, part(reply, 0, 20)},
          {StrayB, 1, part(reply, 0, 40)},
          {MatrixA, 2, part(reply, 20, 55)},
          {StrayB, 3, part(reply, 40, 55)}},
         {"192.168.0.20", "192.168.0.20"}},
        {"seventeen senders at once", manySenders, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        net::DiscoveryBuffer buffer;
        std::vector<std::string> found;
        for (const Datagram& d : row.stream) {
            if (const auto matrix = buffer.feed(d.bytes.data(), d.bytes.size(), d.from, d.atMs))
                found.push_back(matrix->ip);
            EXPECT_LE(buffer.senders(), 16u);
        }
        EXPECT_EQ(found, row.found);
    }
}

// The packet of a static configuration: MAC 02 51 56 00 00 01, 192.168.1.50, new MAC 00 1A 2B 3C
// 4D 5E, written out byte by byte.
Bytes sentPacket() {
    Bytes p = {0x02, 0x51, 0x56, 0x00, 0x00, 0x01, 0xC0, 0xA8, 0x01, 0x32, 0xC0, 0xA8, 0x01,
               0x01, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x17};
    p.resize(74, 0x00);
    p.push_back(0xFF);
    p.push_back(0xEE);
    return p;
}

Bytes acceptance(std::size_t changedByte = 76, std::uint8_t value = 0) {
    Bytes a = sentPacket();
    a[74] = 0x00;
    if (changedByte < a.size())
        a[changedByte] = value;
    return a;
}

TEST(ConfigurationReplies, OnlyAnEchoOfThePacketJustSentAccepts) {
    const UdpPeer matrix{0x0A000009, 30601};
    const UdpPeer stray{0x0A000063, 30601};
    net::ConfigurationPacket sent{};
    const Bytes packet = sentPacket();
    std::copy(packet.begin(), packet.end(), sent.begin());
    Bytes prefixed(10, 0x33);
    const Bytes whole = acceptance();
    prefixed.insert(prefixed.end(), whole.begin(), whole.end());
    const struct {
        const char* what;
        std::vector<Datagram> stream;
        bool accepted;
    } rows[] = {
        {"the echo with 00 in byte 74", {{matrix, 0, whole}}, true},
        {"the checksum byte is not compared", {{matrix, 0, acceptance(75, 0x12)}}, true},
        {"the program's own broadcast (FF in byte 74)", {{matrix, 0, packet}}, false},
        {"another matrix of the same maker (byte 5)", {{matrix, 0, acceptance(5, 0x02)}}, false},
        {"an earlier configuration (byte 9, the old address)",
         {{matrix, 0, acceptance(9, 0x31)}},
         false},
        {"another new MAC (byte 24)", {{matrix, 0, acceptance(24, 0x5F)}}, false},
        {"last compared byte (73)", {{matrix, 0, acceptance(73, 0x01)}}, false},
        {"refused (byte 74 = 01)", {{matrix, 0, acceptance(74, 0x01)}}, false},
        {"ten stray bytes from another host first",
         {{stray, 0, Bytes(10, 0x33)}, {matrix, 1, whole}},
         true},
        {"ten bytes before the echo in one datagram", {{matrix, 0, prefixed}}, true},
        {"in two pieces from the matrix",
         {{matrix, 0, part(whole, 0, 40)}, {matrix, 5, part(whole, 40, 76)}},
         true},
        {"pieces from two hosts are not one reply",
         {{matrix, 0, part(whole, 0, 40)}, {stray, 5, part(whole, 40, 76)}},
         false},
        {"second piece a second later",
         {{matrix, 0, part(whole, 0, 40)}, {matrix, 1000, part(whole, 40, 76)}},
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        net::ConfigurationReplyBuffer buffer;
        bool accepted = false;
        for (const Datagram& d : row.stream)
            accepted =
                buffer.feed(d.bytes.data(), d.bytes.size(), d.from, d.atMs, sent) || accepted;
        EXPECT_EQ(accepted, row.accepted);
    }
}

} // namespace
