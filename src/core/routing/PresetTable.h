#pragma once
// The presets list: eight rows "Setting1".."Setting8", each holding a name (column 0) and, in
// columns 1..8, the input number routed to outputs 1..8 as decimal text. It lives only while the
// program runs.

#include "core/routing/RoutingIds.h"

#include <array>
#include <string>

namespace quorvane::routing {

// Working preset: for outputs 1..8 the 0-based input index (0 = input 1).
using PresetSources = std::array<int, OutputCount>;

inline constexpr int PresetRowCount = 8;
inline constexpr int PresetColumnCount = 1 + OutputCount;

class PresetTable {
public:
    PresetTable();

    const std::string& cell(int row, int column) const { return cells_.at(row).at(column); }
    void setCell(int row, int column, std::string text) { cells_.at(row).at(column) = text; }

    // Writes a preset into a row: its name and "%d" of (index + 1) for each output.
    void writeRow(int row, const std::string& name, const PresetSources& sources);

    // Loads a row into `sources`: each non-empty cell gives (its first character read as a
    // hexadecimal digit) - 1; an empty cell leaves that output as it was.
    void loadRow(int row, PresetSources& sources) const;

private:
    std::array<std::array<std::string, PresetColumnCount>, PresetRowCount> cells_;
};

// "0".."9" count 0..9, "A".."F" and "a".."f" 10..15, anything else 16.
int presetDigitValue(char c);

} // namespace quorvane::routing
