#pragma once
// What the program keeps about one matrix between runs: the names of its inputs and outputs and
// its eight presets. A matrix without a store has no names and the presets of a page just created.

#include "core/site/MatrixNames.h"
#include "core/site/MatrixPresets.h"

namespace quorvane::site {

struct MatrixSite {
    MatrixNames names;
    PresetList presets = startingPresets();
    bool operator==(const MatrixSite&) const = default;
};

} // namespace quorvane::site
