#pragma once
// quorvane-cli's exit statuses, which scripts rely on.

namespace quorvane::cli {

enum ExitStatus : int {
    ExitDone = 0,   // the command did what it was asked
    ExitMatrix = 1, // the matrix did not answer, refused, or is in standby
    ExitUsage = 2,  // the command line is wrong (or names a file that cannot be used)
    ExitLink = 3,   // the serial port or the TCP connection could not be opened
};

} // namespace quorvane::cli
