#include "core/site/MatrixPresets.h"

#include "core/site/MatrixNames.h"

#include <algorithm>

namespace quorvane::site {

bool StoredPreset::complete() const {
    return std::all_of(inputs.begin(), inputs.end(), [](int i) { return routing::isPort(i); });
}

bool StoredPreset::blank() const {
    return std::all_of(inputs.begin(), inputs.end(), [](int i) { return i == 0; });
}

PresetList presetsFromTable(const routing::PresetTable& table) {
    PresetList presets;
    for (int row = 0; row < routing::PresetRowCount; ++row) {
        StoredPreset& preset = presets.at(static_cast<std::size_t>(row));
        preset.name = table.cell(row, 0);
        for (int output = 1; output <= routing::OutputCount; ++output) {
            const std::string& text = table.cell(row, output);
            const bool input = text.size() == 1 && text[0] >= '1' && text[0] <= '8';
            preset.inputs.at(static_cast<std::size_t>(output - 1)) = input ? text[0] - '0' : 0;
        }
    }
    return presets;
}

void presetsIntoTable(const PresetList& presets, routing::PresetTable& table) {
    for (int row = 0; row < routing::PresetRowCount; ++row) {
        const StoredPreset& preset = presets.at(static_cast<std::size_t>(row));
        table.setCell(row, 0, preset.name);
        for (int output = 1; output <= routing::OutputCount; ++output) {
            const int input = preset.inputs.at(static_cast<std::size_t>(output - 1));
            table.setCell(row, output, routing::isPort(input) ? std::to_string(input) : "");
        }
    }
}

PresetList startingPresets() {
    routing::PresetTable table;
    routing::PresetSources sources{};
    sources.fill(1);
    table.writeRow(0, table.cell(0, 0), sources);
    return presetsFromTable(table);
}

std::string presetNameProblem(const std::string& name) {
    if (name.empty())
        return "a preset needs a name";
    if (name.size() > NameLimit)
        return "a preset's name is at most " + std::to_string(NameLimit) + " bytes long";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return "a preset's name may not contain control characters";
    }
    return {};
}

std::optional<int> findPreset(const PresetList& presets, const std::string& name) {
    for (int row = 0; row < routing::PresetRowCount; ++row) {
        if (presets.at(static_cast<std::size_t>(row)).name == name)
            return row;
    }
    return std::nullopt;
}

std::optional<int> activePreset(const PresetList& presets,
                                const std::array<int, routing::OutputCount>& routes) {
    for (int row = 0; row < routing::PresetRowCount; ++row) {
        const StoredPreset& preset = presets.at(static_cast<std::size_t>(row));
        if (preset.complete() && preset.inputs == routes)
            return row;
    }
    return std::nullopt;
}

std::optional<int> savePreset(PresetList& presets, const std::string& name,
                              const std::array<int, routing::OutputCount>& routes,
                              std::string& error) {
    error = presetNameProblem(name);
    if (!error.empty())
        return std::nullopt;
    if (!std::all_of(routes.begin(), routes.end(), [](int i) { return routing::isPort(i); })) {
        error = "the matrix did not report an input for every output";
        return std::nullopt;
    }
    auto row = findPreset(presets, name);
    if (!row) {
        for (int r = 0; r < routing::PresetRowCount && !row; ++r) {
            if (presets.at(static_cast<std::size_t>(r)).blank())
                row = r;
        }
    }
    if (!row) {
        error = "all eight presets hold routes; save over one of them by its name";
        return std::nullopt;
    }
    StoredPreset& preset = presets.at(static_cast<std::size_t>(*row));
    preset.name = name;
    preset.inputs = routes;
    return row;
}

} // namespace quorvane::site
