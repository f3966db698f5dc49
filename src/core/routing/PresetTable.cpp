#include "core/routing/PresetTable.h"

namespace quorvane::routing {

PresetTable::PresetTable() {
    for (int row = 0; row < PresetRowCount; ++row)
        cells_.at(row).at(0) = "Setting" + std::to_string(row + 1);
}

void PresetTable::writeRow(int row, const std::string& name, const PresetSources& sources) {
    auto& cells = cells_.at(row);
    cells.at(0) = name;
    for (int output = 1; output <= OutputCount; ++output)
        cells.at(output) = std::to_string(sources.at(output - 1) + 1);
}

void PresetTable::loadRow(int row, PresetSources& sources) const {
    const auto& cells = cells_.at(row);
    for (int output = 1; output <= OutputCount; ++output) {
        const std::string& text = cells.at(output);
        if (!text.empty())
            sources.at(output - 1) = presetDigitValue(text.front()) - 1;
    }
}

int presetDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 16;
}

} // namespace quorvane::routing
