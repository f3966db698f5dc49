#include "cli/OutcomeStatus.h"

#include "cli/ExitStatus.h"

namespace quorvane::cli {

int exitStatusFor(Outcome::Kind kind) {
    switch (kind) {
    case Outcome::Kind::Done:
        return ExitDone;
    case Outcome::Kind::TimedOut:
    case Outcome::Kind::Standby:
    case Outcome::Kind::LinkLost:
    case Outcome::Kind::Refused:
    case Outcome::Kind::Busy:
        return ExitMatrix;
    case Outcome::Kind::InvalidInput:
        return ExitUsage;
    case Outcome::Kind::LinkDown:
        return ExitLink;
    }
    // A kind added later and not mapped here fails rather than passing for success.
    return ExitMatrix;
}

std::string reasonFor(Outcome::Kind kind, LinkChoice::Kind link) {
    switch (kind) {
    case Outcome::Kind::Done:
        return {};
    case Outcome::Kind::TimedOut:
        return "the matrix did not answer";
    case Outcome::Kind::Standby:
        return "the matrix is in standby";
    case Outcome::Kind::LinkLost:
        return "the connection to the matrix was lost";
    case Outcome::Kind::Refused:
        return "the matrix refused";
    case Outcome::Kind::Busy:
        return "the page is still busy with an earlier request";
    case Outcome::Kind::InvalidInput:
        return "the page cannot send what was given";
    case Outcome::Kind::LinkDown:
        switch (link) {
        case LinkChoice::Kind::Com:
            return "the serial port could not be opened";
        case LinkChoice::Kind::Tcp:
            return "the connection to the matrix could not be made";
        case LinkChoice::Kind::None:
            return "UDP port 30600 could not be had for the search";
        }
        break;
    }
    return "the matrix refused";
}

std::string failureLine(const Outcome& outcome, LinkChoice::Kind link) {
    std::string line = reasonFor(outcome.kind, link);
    const std::string shown = outcome.wording();
    if (!shown.empty())
        line += " (\"" + shown + "\")";
    return line;
}

} // namespace quorvane::cli
