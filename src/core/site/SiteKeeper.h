#pragma once
// Keeps the window's Matrix page in step with what is kept about the matrix its link leads to:
// when the link names another matrix (another COM port or adapter, another address), that
// matrix's names and presets are read and the page's presets list shows them; when the list
// changes (the preset editor's "OK", an import), it is written back. A store that cannot be read
// (a newer version, a damaged file) is never written over: the problem is kept for the window to
// show, and the page keeps the list it has.
//
// Also the active preset: the first complete preset whose routes are the routes the page shows
// the matrix reports for all eight outputs.
//
// Runs on the user-interface thread; sync() is called after every change of the page.

#include "core/app/LinkState.h"
#include "core/routing/MatrixPage.h"
#include "core/site/MatrixKey.h"
#include "core/site/MatrixSite.h"

#include <optional>
#include <string>

namespace quorvane::site {

class SiteKeeper {
public:
    SiteKeeper(MatrixPage& page, SiteStorage& storage, AdapterSerialLookup adapterSerial);

    // Follows the link to its matrix and writes the presets when the page's list changed.
    void sync(const LinkState& state);

    const std::string& key() const { return key_; }
    const MatrixNames& names() const { return site_.names; }
    // The last reading or writing problem, "" when none.
    const std::string& problem() const { return problem_; }

    // New names for the matrix: "" when kept, else why not (nothing changes then).
    std::string setNames(const MatrixNames& names);
    // Presets read from an export: they replace the page's list and are kept.
    std::string importPresets(const PresetList& presets);
    PresetList presets() const { return presetsFromTable(page_.presetTable()); }

    // The row (0..7) of the active preset, if any.
    std::optional<int> activePreset() const;

private:
    std::string keep();
    // Takes up names kept elsewhere in this run (a restored configuration) since they were read,
    // so that writing the presets never puts older names back.
    void refreshNames();

    MatrixPage& page_;
    SiteStorage& storage_;
    AdapterSerialLookup adapterSerial_;
    FollowedLink link_;
    std::string key_;
    int namesRevision_ = -1;
    bool readable_ = true;
    MatrixSite site_;
    std::string problem_;
};

} // namespace quorvane::site
