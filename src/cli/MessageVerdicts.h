#pragma once
// What a page's message means for a command run from the command line: a failure (with the exit
// status and the reason in plain words) or a success that only informs.

#include <optional>
#include <string>

namespace quorvane::cli {

struct Verdict {
    int status = 0;
    std::string why; // "the matrix did not answer", ...
};

// Nothing for a message that reports success ("Set successfully!", "Copy successfully!",
// "Download successfully!"); a failure for every other message, unknown ones included.
std::optional<Verdict> verdictFor(const std::string& message);

} // namespace quorvane::cli
