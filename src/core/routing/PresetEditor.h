#pragma once
// The preset editor's working copy: one "OutN from" choice per output (index 0..7 = "In1".."In8"),
// the "All Outputs from" shortcut and the "Setting name". Nothing is sent from here; "OK" hands the
// result to the page.

#include "core/routing/PresetTable.h"

#include <string>

namespace quorvane::routing {

class PresetEditor {
public:
    // "All Outputs from" entries: "Select Input" (0), "In1".."In8" (1..8), "Port to Port" (9).
    static constexpr int AllFromSelectInput = 0;
    static constexpr int AllFromPortToPort = 9;

    PresetEditor(const PresetSources& sources, std::string name)
        : outFrom_(sources), name_(std::move(name)) {}

    int outFrom(int output) const { return outFrom_.at(output - 1); }
    void setOutFrom(int output, int index) { outFrom_.at(output - 1) = index; }
    int allFrom() const { return allFrom_; }
    // "All Outputs from" confirmed: "Port to Port" sets outputs 1..8 to "In1".."In8" in order,
    // "InK" sets all eight to it, "Select Input" changes nothing.
    void chooseAllFrom(int index);

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    const PresetSources& sources() const { return outFrom_; }

private:
    PresetSources outFrom_;
    int allFrom_ = AllFromSelectInput;
    std::string name_;
};

} // namespace quorvane::routing
