#pragma once
// Backup and restore of a matrix's configuration on a page's link, for the commands that run them
// (backup, restore, and fw upgrade --backup): each runs the conversation, waits for its outcome,
// writes or reads the file and prints the result (JSON with --json).

#include "cli/Session.h"

#include "core/link/PageLink.h"
#include "core/site/Configuration.h"

#include <optional>
#include <string>

namespace quorvane::cli {

// Reads the configuration from the matrix on `link` and writes it to `path`. The status; the
// configuration read in `saved` when it is ExitDone.
int backupOnLink(Session& session, PageLink& link, const std::string& path,
                 site::Configuration& saved);
// Sets `wanted` on the matrix on `link` (only compares with `dryRun`), then prints what differed
// and what was changed. The status: ExitMatrix when an item was not set, naming it.
int restoreOnLink(Session& session, PageLink& link, const site::Configuration& wanted, bool dryRun);
// The configuration file at `path`, or nothing with the session failed (ExitUsage) saying why.
std::optional<site::Configuration> readConfiguration(Session& session, const std::string& path);

} // namespace quorvane::cli
