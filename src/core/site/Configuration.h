#pragma once
// A matrix's configuration as a backup keeps it: the input each output shows, the EDID each input
// uses (by the name the matrix reports for it), the beep and DVI compatibility switches, and the
// names the user gave the inputs and outputs.
//
// An input whose EDID came from a file, or from a display, cannot be set back from a name: the
// matrix reports such an input only as "User define" or "Copy HDMI OUT X", so a restore leaves it
// alone. Only the fifteen built-in EDIDs are set by a restore.

#include "core/site/MatrixNames.h"

#include <array>
#include <optional>
#include <string>

namespace quorvane::site {

inline constexpr const char* UserDefinedEdid = "User define";

// The names in a configuration are the names kept for the matrix: "" where a port has no name.
using ConfigurationNames = MatrixNames;

struct Configuration {
    // Input 1..8 shown by output A..H; none when the matrix reported no input for it.
    std::array<std::optional<int>, PortCount> routes{};
    // IN1..IN8: the EDID's name as the matrix reports it ("1080p,Stereo Audio 2.0", "Copy HDMI
    // OUT A", "User define").
    std::array<std::string, PortCount> edid{};
    bool beep = false;
    bool dvi = false;
    ConfigurationNames names{};
    bool operator==(const Configuration&) const = default;
};

// The value (1..15) that sets the built-in EDID called `name`; 0 when `name` is no built-in EDID.
int builtInEdidValue(const std::string& name);
// A name the matrix can report for an input: a built-in EDID, a copy of an output, "User define".
bool isReportedEdidName(const std::string& name);
// "A".."H" for output 1..8.
std::string outputLetter(int output);

} // namespace quorvane::site
