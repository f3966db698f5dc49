#include "core/edid/EdidNames.h"

namespace quorvane::edid {

std::string nameForIndex(std::uint8_t reported) {
    const int index = static_cast<std::int8_t>(reported);
    if (index >= 0 && index <= 14) {
        std::string name = ModeEntries[static_cast<std::size_t>(index)];
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        return name;
    }
    if (index >= 15 && index <= 22)
        return std::string("Copy ") + CopySourceEntries[static_cast<std::size_t>(index - 15)];
    return "User define";
}

} // namespace quorvane::edid
