#include "sim/device/AttachedPorts.h"

namespace quorvane::sim {

std::optional<PortSet> parsePortSet(std::string_view text) {
    PortSet set{};
    if (text == "none")
        return set;
    if (text == "all") {
        set.fill(true);
        return set;
    }
    if (text.empty())
        return std::nullopt;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, end - start);
        if (item.size() != 1 || item[0] < '1' || item[0] > '0' + PortCount)
            return std::nullopt;
        set[static_cast<std::size_t>(item[0] - '1')] = true;
        start = end + 1;
    }
    return set;
}

} // namespace quorvane::sim
