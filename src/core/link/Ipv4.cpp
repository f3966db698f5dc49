#include "core/link/Ipv4.h"

namespace quorvane {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// One part: 1..3 decimal digits, no leading zero unless the part is "0", value at most 255.
std::optional<std::uint32_t> parseOctet(std::string_view part) {
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part.front() == '0'))
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : part) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value > 255)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::uint32_t> parseIpv4(std::string_view text) {
    text = trimBlanks(text);
    std::uint32_t address = 0;
    for (int index = 0; index < 4; ++index) {
        const std::size_t dot = text.find('.');
        const bool last = index == 3;
        // The last part must run to the end; every other part must end at a dot.
        if (last != (dot == std::string_view::npos))
            return std::nullopt;
        const auto octet = parseOctet(text.substr(0, dot));
        if (!octet)
            return std::nullopt;
        address = (address << 8) | *octet;
        if (!last)
            text.remove_prefix(dot + 1);
    }
    return address;
}

std::string formatIpv4(std::uint32_t address) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += std::to_string((address >> shift) & 0xFFu);
        if (shift != 0)
            text += '.';
    }
    return text;
}

bool isUnicastIpv4(std::uint32_t address) {
    const bool thisHost = address == 0;
    const bool broadcast = address == 0xFFFFFFFFu;
    const bool multicast = (address >> 28) == 0xEu;
    return !thisHost && !broadcast && !multicast;
}

} // namespace quorvane
