#pragma once
// What a page's outcome means for a command run from the command line: its exit status, decided by
// the outcome's kind alone, and the reason printed in plain words before the page's text.

#include "cli/Arguments.h"

#include "core/app/Outcome.h"

#include <string>

namespace quorvane::cli {

// ExitDone for Done; ExitMatrix when the matrix did not answer, refused, reported standby or the
// link went down midway (or the page was still busy); ExitUsage for input the page cannot send;
// ExitLink when the link could not be had.
int exitStatusFor(Outcome::Kind kind);

// "the matrix did not answer", ...; for a link that could not be had, which link (`link`: the
// serial port, the TCP connection, or with neither the UDP port of the search). "" for Done.
std::string reasonFor(Outcome::Kind kind, LinkChoice::Kind link);

// The line that reports a failed outcome: the reason, then the page's text in quotes when it
// showed one: the matrix did not answer ("Time out!").
std::string failureLine(const Outcome& outcome, LinkChoice::Kind link);

} // namespace quorvane::cli
