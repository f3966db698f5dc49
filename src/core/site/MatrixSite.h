#pragma once
// What the program keeps about one matrix between runs: the names of its inputs and outputs and
// its eight presets. A matrix without a store has no names and the presets of a page just created.

#include "core/site/MatrixNames.h"
#include "core/site/MatrixPresets.h"

#include <string>

namespace quorvane::site {

struct MatrixSite {
    MatrixNames names;
    PresetList presets = startingPresets();
    bool operator==(const MatrixSite&) const = default;
};

struct SiteLoad {
    MatrixSite site;   // what was read, or the site of a matrix with no store when nothing was
    std::string error; // "" when read or when there is no store yet
};

// Where the sites are kept (the user's data folder in the program; memory in tests).
class SiteStorage {
public:
    virtual ~SiteStorage() = default;
    virtual SiteLoad load(const std::string& key) = 0;
    // "" when kept, else why not.
    virtual std::string save(const std::string& key, const MatrixSite& site) = 0;
};

} // namespace quorvane::site
