#pragma once
// The command line: the link (--com N, --port PATH or --tcp ADDRESS), --json, --help, --version,
// and the options of single commands (--dry-run, --backup FILE) anywhere on the line, and the words
// of the command with its arguments in order.

#include <optional>
#include <string>
#include <vector>

namespace quorvane::cli {

struct LinkChoice {
    enum class Kind { None, Com, Tcp };
    Kind kind = Kind::None;
    int port = 0;        // COM<port>, 1..19
    std::string device;  // the device path given with --port, which COM<port> now leads to
    std::string address; // dotted IPv4
};

struct Invocation {
    LinkChoice link;
    bool json = false;
    bool help = false;
    bool version = false;
    bool dryRun = false;            // --dry-run (restore)
    std::string backupFile;         // --backup FILE (fw upgrade)
    std::vector<std::string> words; // the command's words and arguments
};

// Nothing, with `error` set, when the line is not well formed (an unknown option, a missing or bad
// value, two links). --port PATH gives the device a COM name for this run (ports::nameDevicePath),
// so that it is opened, checked and reported like any COM port.
std::optional<Invocation> parseArguments(const std::vector<std::string>& arguments,
                                         std::string& error);

// "A".."H" or "1".."8" (either case) -> 1..8.
std::optional<int> parseOutput(const std::string& text);
// "1".."8" or "IN1".."IN8" (either case) -> 1..8.
std::optional<int> parseInput(const std::string& text);
// "IN1".."IN8" -> 0..7, "all" -> 8 (the EDID page's target lists); either case.
std::optional<int> parseEdidTarget(const std::string& text);
// "on" / "off".
std::optional<bool> parseOnOff(const std::string& text);

// "A".."H" for 1..8.
std::string outputLetter(int output);

} // namespace quorvane::cli
