#pragma once
// The store: one JSON file per matrix in the user's data folder,
//   $XDG_DATA_HOME/quorvane/matrices/<key>.json   (~/.local/share/quorvane/matrices/ by default)
// holding {"format": "quorvane-matrix", "version": 1, "matrix": KEY, "names": {...},
// "presets": [...]} (see SiteJson.h). And the presets export, a file the user picks:
// {"format": "quorvane-presets", "version": 1, "presets": [...]}.
//
// A file is written whole to a temporary file beside it and renamed over the old one, so a crash
// or a full disk leaves the old file, never half a new one. Reading takes at most 1 MiB and
// checks the whole file first: a file from a newer version, or one with a bad value, is refused
// with the reason and nothing of it is used.

#include "core/site/MatrixSite.h"

#include <string>

namespace quorvane::site {

inline constexpr const char* StoreFormat = "quorvane-matrix";
inline constexpr const char* PresetsFormat = "quorvane-presets";
inline constexpr int StoreVersion = 1;
inline constexpr int PresetsVersion = 1;

// The folder of the matrices' files (not created here).
std::string storeFolder();
// The file of the matrix `key` (see MatrixKey.h).
std::string storePath(const std::string& key);

SiteLoad loadSite(const std::string& key);
// "" when written, else why not.
std::string saveSite(const std::string& key, const MatrixSite& site);

// "" when written.
std::string exportPresets(const std::string& path, const PresetList& presets);
// "" when read into `presets`; nothing changes otherwise.
std::string importPresets(const std::string& path, PresetList& presets);

// The store as the window keeps it.
class FileSiteStorage : public SiteStorage {
public:
    SiteLoad load(const std::string& key) override { return loadSite(key); }
    std::string save(const std::string& key, const MatrixSite& site) override {
        return saveSite(key, site);
    }
};

// Writes `bytes` to `path` through a temporary file and a rename; "" when done.
std::string writeWhole(const std::string& path, const std::string& bytes);

} // namespace quorvane::site
