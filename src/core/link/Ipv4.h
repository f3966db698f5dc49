#pragma once
// Dotted IPv4 addresses as the user types them and as the matrix is reached: four decimal numbers
// 0..255 separated by dots, nothing else. No name is ever looked up.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// Parses "a.b.c.d" into a host-order address (a in the top byte). Blanks (spaces, tabs) around the
// text are ignored. Refused: fewer or more than four parts, empty parts, signs, hexadecimal, any
// other character, a part above 255, and a part with a leading zero ("010"), which some parsers
// read as octal and would turn into a different address than the one the user sees.
std::optional<std::uint32_t> parseIpv4(std::string_view text);

// The address as "a.b.c.d".
std::string formatIpv4(std::uint32_t address);

// True for an address a TCP connection can be made to: not 0.0.0.0 (this host, which Linux would
// quietly turn into a connection to itself), not the limited broadcast 255.255.255.255 and not a
// multicast address (224.0.0.0/4).
bool isUnicastIpv4(std::uint32_t address);

} // namespace quorvane
