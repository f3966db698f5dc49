#pragma once
// The JSON of what is kept about a matrix: its names and presets, as the store, the presets
// export and the configuration backup write them.
//
//   names:   {"inputs": {"1": "Blu-ray", ...}, "outputs": {"A": "Projector", ...}}
//            (only the ports that have a name)
//   presets: [{"name": "Setting1", "routes": {"A": 2, ..., "H": 2}}, ...]
//            (one per row, in order; an output without an input is left out)
//
// Reading checks everything before anything is used: a value of the wrong type, a port that does
// not exist, a name a command would read as a number, an input outside 1..8, more than eight
// presets: the whole value is refused with the reason.

#include "core/site/MatrixSite.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <string>

namespace quorvane::site {

QJsonObject namesToJson(const MatrixNames& names);
// Nothing read into `names` unless the whole value is good; "" when it was.
std::string namesFromJson(const QJsonValue& value, MatrixNames& names);

QJsonArray presetsToJson(const PresetList& presets);
// 1..8 presets fill the rows from the first; rows the value does not give are left blank and
// named "Setting<n>". "" when read.
std::string presetsFromJson(const QJsonValue& value, PresetList& presets);

// A document's "format" and "version": "" when it is `format` at a version up to `version`,
// else why not (another kind of file, or a newer version, which is refused rather than half
// read).
std::string formatProblem(const QJsonObject& document, const char* format, int version);

} // namespace quorvane::site
