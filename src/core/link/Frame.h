#pragma once
// The 13-byte command frame that every command to the matrix and every reply from it travels in:
// A5 5B, command group, command, eight parameter bytes, checksum.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace quorvane {

inline constexpr std::size_t FrameSize = 13;
inline constexpr std::uint8_t FrameStart1 = 0xA5;
inline constexpr std::uint8_t FrameStart2 = 0x5B;

using Frame = std::array<std::uint8_t, FrameSize>;

// Bytes 2..11 of a frame: group, command and the eight parameter bytes.
using CommandBytes = std::array<std::uint8_t, 10>;

// Builds a command from up to ten leading bytes (group, command, parameters); the rest are 0.
constexpr CommandBytes command(std::initializer_list<std::uint8_t> bytes) {
    CommandBytes out{};
    std::size_t i = 0;
    for (std::uint8_t b : bytes) {
        if (i == out.size())
            break;
        out[i++] = b;
    }
    return out;
}

// The two's complement of the 8-bit sum of the first twelve bytes.
constexpr std::uint8_t frameChecksum(const Frame& frame) {
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < FrameSize; ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>((0x100u - (sum & 0xFFu)) & 0xFFu);
}

constexpr Frame buildFrame(const CommandBytes& cmd) {
    Frame frame{};
    frame[0] = FrameStart1;
    frame[1] = FrameStart2;
    for (std::size_t i = 0; i < cmd.size(); ++i)
        frame[2 + i] = cmd[i];
    frame[12] = frameChecksum(frame);
    return frame;
}

// Intact: the 8-bit sum of all thirteen bytes is 0.
constexpr bool isIntact(const Frame& frame) {
    unsigned sum = 0;
    for (std::uint8_t b : frame)
        sum += b;
    return (sum & 0xFFu) == 0;
}

constexpr bool hasFrameStart(const Frame& frame) {
    return frame[0] == FrameStart1 && frame[1] == FrameStart2;
}

// "A5 5B 01 ..." with a space after every byte, as the traffic logs write them.
std::string hexBytes(const std::uint8_t* data, std::size_t size);
inline std::string hexBytes(const Frame& frame) {
    return hexBytes(frame.data(), frame.size());
}

} // namespace quorvane
