#include "core/site/Configuration.h"

#include "core/edid/EdidNames.h"

#include <cstdint>

namespace quorvane::site {

int builtInEdidValue(const std::string& name) {
    // The reported indexes 0..14 name the built-in EDIDs that are set with 1..15.
    for (int index = 0; index <= 14; ++index) {
        if (edid::nameForIndex(static_cast<std::uint8_t>(index)) == name)
            return index + 1;
    }
    return 0;
}

bool isReportedEdidName(const std::string& name) {
    for (int index = 0; index <= 22; ++index) {
        if (edid::nameForIndex(static_cast<std::uint8_t>(index)) == name)
            return true;
    }
    return name == UserDefinedEdid;
}

std::string outputLetter(int output) {
    return std::string(1, static_cast<char>('A' + output - 1));
}

} // namespace quorvane::site
