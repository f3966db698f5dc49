#pragma once
// The configuration file: one JSON document
//   {"format": "quorvane-configuration", "version": 1,
//    "routes": {"A": 1, ..., "H": 8},                 (null: the matrix reported no input)
//    "edid": {"IN1": "1080p,Stereo Audio 2.0", ...},  (the names the matrix reports)
//    "beep": true, "dvi": false,
//    "names": {"inputs": {"IN3": "Blu-ray"}, "outputs": {"B": "Projector"}}}
// A file is taken whole or not at all: one that is not JSON, names another format, comes from a
// newer version, lacks an output or an input, or holds a value out of range is refused with the
// reason, before anything is sent to a matrix. "names" may be left out (no names). Files are read
// with the bounded reader for files the user picks, and written to a temporary file that is
// renamed over the target only once it is whole.

#include "core/site/Configuration.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::site {

inline constexpr const char* FormatName = "quorvane-configuration";
inline constexpr int FormatVersion = 1;
// No configuration file comes near this; anything longer is refused unread.
inline constexpr std::size_t MaxFileBytes = 64 * 1024;

struct ConfigurationFileRead {
    std::optional<Configuration> configuration;
    std::string error; // why it was refused; empty when read
};

ConfigurationFileRead parseConfiguration(const std::vector<std::uint8_t>& bytes);
ConfigurationFileRead readConfigurationFile(const std::string& path);

// The file's text (indented JSON, ending in a line break).
std::string configurationJson(const Configuration& configuration);
// Writes the file; the reason when it could not be written, "" when written.
std::string writeConfigurationFile(const std::string& path, const Configuration& configuration);

} // namespace quorvane::site
