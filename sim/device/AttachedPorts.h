#pragma once
// Which of the matrix's eight inputs or outputs have a device attached, as written on the
// simulator's command line: "all", "none" or port numbers 1..8 separated by commas ("1,2,5").

#include "sim/device/DeviceState.h"

#include <array>
#include <optional>
#include <string_view>

namespace quorvane::sim {

using PortSet = std::array<bool, PortCount>;

// std::nullopt for anything else (empty items, numbers outside 1..8, other characters).
std::optional<PortSet> parsePortSet(std::string_view text);

} // namespace quorvane::sim
