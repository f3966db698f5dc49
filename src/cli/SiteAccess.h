#pragma once
// The command line's way to what is kept about the matrix it talks to (names and presets, in the
// store of the user's data folder), and the matrix's ports read from words: a number or letter as
// always, or else a port's name, matched exactly.
//
// Nothing here opens the link: the matrix is known from the command line alone (the adapter's
// serial number behind COM<n>, else the COM name; the address over TCP).

#include "cli/Session.h"

#include "core/site/MatrixSite.h"

#include <optional>
#include <string>

namespace quorvane::cli {

// The key of the matrix the command line names.
std::string matrixKeyOf(const Invocation& invocation);

// Reads the matrix's store into `site`. A store that cannot be used fails the session (ExitUsage)
// with the reason, so that a command never writes over a file it could not read.
bool loadSite(Session& session, site::MatrixSite& site);
// Writes the store; a failure fails the session (ExitUsage).
bool saveSite(Session& session, const site::MatrixSite& site);

// An output (1..8) from "A".."H", "1".."8" or an output's name; fails the session (ExitUsage)
// when the text is none of them.
std::optional<int> outputArgument(Session& session, const std::string& text);
// An input (1..8) from "1".."8", "IN1".."IN8" or an input's name.
std::optional<int> inputArgument(Session& session, const std::string& text);
// An EDID target: "IN1".."IN8" or an input's name (0..7), or "all" (8).
std::optional<int> edidTargetArgument(Session& session, const std::string& text);

} // namespace quorvane::cli
