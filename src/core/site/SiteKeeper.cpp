#include "core/site/SiteKeeper.h"

namespace quorvane::site {

SiteKeeper::SiteKeeper(MatrixPage& page, SiteStorage& storage, AdapterSerialLookup adapterSerial)
    : page_(page), storage_(storage), adapterSerial_(std::move(adapterSerial)) {}

void SiteKeeper::sync(const LinkState& state) {
    if (link_.moved(state)) {
        const std::string key = matrixKeyFor(state, adapterSerial_);
        if (key != key_) {
            key_ = key;
            problem_.clear();
            readable_ = true;
            site_ = MatrixSite{};
            site_.presets = presetsFromTable(page_.presetTable());
            if (!key_.empty()) {
                const SiteLoad load = storage_.load(key_);
                readable_ = load.error.empty();
                problem_ = load.error;
                if (readable_)
                    site_ = load.site;
                namesRevision_ = namesRevision();
            }
            // The list shows this matrix's presets (a matrix without a store: the page's own).
            if (presetsFromTable(page_.presetTable()) != site_.presets) {
                routing::PresetTable table = page_.presetTable();
                presetsIntoTable(site_.presets, table);
                page_.replacePresetTable(table);
            }
            return;
        }
    }
    refreshNames();
    const PresetList shown = presetsFromTable(page_.presetTable());
    if (shown != site_.presets) {
        site_.presets = shown;
        if (!key_.empty() && readable_)
            problem_ = keep();
    }
}

std::string SiteKeeper::keep() {
    return storage_.save(key_, site_);
}

void SiteKeeper::refreshNames() {
    if (namesRevision_ == namesRevision())
        return;
    namesRevision_ = namesRevision();
    if (key_.empty() || !readable_)
        return;
    const SiteLoad load = storage_.load(key_);
    if (load.error.empty())
        site_.names = load.site.names;
}

std::string SiteKeeper::setNames(const MatrixNames& names) {
    if (key_.empty())
        return "choose the matrix's link first: names belong to a matrix";
    if (!readable_)
        return problem_;
    refreshNames();
    MatrixSite changed = site_;
    changed.names = names;
    changed.presets = presets();
    MatrixSite before = site_;
    site_ = changed;
    if (std::string error = keep(); !error.empty()) {
        site_ = before;
        return error;
    }
    noteNamesChanged();
    namesRevision_ = namesRevision();
    return {};
}

std::string SiteKeeper::importPresets(const PresetList& presets) {
    refreshNames();
    if (!readable_)
        return problem_;
    routing::PresetTable table = page_.presetTable();
    presetsIntoTable(presets, table);
    site_.presets = presets;
    page_.replacePresetTable(table);
    if (!key_.empty())
        return problem_ = keep();
    return {};
}

std::optional<int> SiteKeeper::activePreset() const {
    std::array<int, routing::OutputCount> routes{};
    for (int output = 1; output <= routing::OutputCount; ++output)
        routes.at(static_cast<std::size_t>(output - 1)) = page_.pressedInput(output);
    return site::activePreset(presets(), routes);
}

} // namespace quorvane::site
