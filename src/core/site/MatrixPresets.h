#pragma once
// The Matrix page's eight presets as plain values, kept per matrix between runs: each row a name
// and, for outputs 1..8, the input it routes (0 where the row's cell is empty). Also which preset
// is "active" (the one whose routes are the routes the matrix reports) and saving the matrix's
// routes under a name, as control surfaces and the command line use them.

#include "core/routing/PresetTable.h"

#include <array>
#include <optional>
#include <string>

namespace quorvane::site {

struct StoredPreset {
    std::string name;
    std::array<int, routing::OutputCount> inputs{}; // 1..8, 0 = no input in that cell

    // Every output has an input: the preset can be applied and can be active.
    bool complete() const;
    // No output has an input: the row is free for a new preset.
    bool blank() const;
    bool operator==(const StoredPreset&) const = default;
};

using PresetList = std::array<StoredPreset, routing::PresetRowCount>;

// The rows as the page holds them. A cell whose text is not "1".."8" is kept as no input.
PresetList presetsFromTable(const routing::PresetTable& table);
// Writes every row into `table`: its name, and "%d" of each input or "" for none.
void presetsIntoTable(const PresetList& presets, routing::PresetTable& table);
// The rows of a page just created: "Setting1" routing input 2 to every output,
// "Setting2".."Setting8" empty.
PresetList startingPresets();

// Why `name` cannot name a preset ("" when it can): not empty, at most 40 bytes, no control
// character.
std::string presetNameProblem(const std::string& name);

// The row (0..7) whose name is exactly `name`.
std::optional<int> findPreset(const PresetList& presets, const std::string& name);

// The active preset: the first complete row whose inputs are `routes` (inputs 1..8 of outputs 1..8
// as the matrix reports them; any other value matches nothing).
std::optional<int> activePreset(const PresetList& presets,
                                const std::array<int, routing::OutputCount>& routes);

// Saves `routes` as the preset `name`: into the row of that name, else into the first blank row,
// which takes the name. Returns the row, or nothing with `error` set (a bad name, a route that is
// no input, or no row left).
std::optional<int> savePreset(PresetList& presets, const std::string& name,
                              const std::array<int, routing::OutputCount>& routes,
                              std::string& error);

} // namespace quorvane::site
