#include "cli/Arguments.h"

#include "core/link/Ipv4.h"
#include "serialports/PortNames.h"

#include <algorithm>
#include <cctype>

namespace quorvane::cli {

namespace {

const char* const TwoLinks = "give one link: --com, --port or --tcp";

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::optional<int> digitIn(const std::string& text, int first, int last) {
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    const int value = std::stoi(text);
    if (value < first || value > last || (text.size() == 2 && text[0] == '0'))
        return std::nullopt;
    return value;
}

// "--name=value" or "--name value": the value, and how many words it used.
bool takeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::string& value, std::string& error) {
    const std::string& word = args[i];
    if (word.size() > name.size() && word[name.size()] == '=') {
        value = word.substr(name.size() + 1);
        return true;
    }
    if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
    }
    value = args[++i];
    return true;
}

bool isOption(const std::string& word, const std::string& name) {
    return word == name || (word.rfind(name + "=", 0) == 0);
}

} // namespace

std::optional<Invocation> parseArguments(const std::vector<std::string>& args, std::string& error) {
    Invocation invocation;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-' ||
            std::isdigit(static_cast<unsigned char>(word[1]))) {
            invocation.words.push_back(word);
            continue;
        }
        std::string value;
        if (word == "--") {
            optionsEnded = true;
        } else if (word == "--json") {
            invocation.json = true;
        } else if (word == "--help" || word == "-h") {
            invocation.help = true;
        } else if (word == "--version") {
            invocation.version = true;
        } else if (word == "--dry-run") {
            invocation.dryRun = true;
        } else if (isOption(word, "--backup")) {
            if (!takeValue(args, i, "--backup", value, error))
                return std::nullopt;
            if (value.empty()) {
                error = "--backup needs a file name";
                return std::nullopt;
            }
            invocation.backupFile = value;
        } else if (isOption(word, "--com")) {
            if (!takeValue(args, i, "--com", value, error))
                return std::nullopt;
            auto number = ports::parsePortNumber(upper(value));
            if (!number)
                number = digitIn(value, ports::FirstPortNumber, ports::LastPortNumber);
            if (!number) {
                error = "--com takes a port number 1..19 (or COM1..COM19), not '" + value + "'";
                return std::nullopt;
            }
            if (invocation.link.kind != LinkChoice::Kind::None) {
                error = TwoLinks;
                return std::nullopt;
            }
            invocation.link.kind = LinkChoice::Kind::Com;
            invocation.link.port = *number;
        } else if (isOption(word, "--port")) {
            if (!takeValue(args, i, "--port", value, error))
                return std::nullopt;
            if (value.empty() || value[0] != '/') {
                error = "--port takes a device path (such as /dev/ttyUSB0 or a link in "
                        "/dev/serial/by-id/), not '" +
                        value + "'";
                return std::nullopt;
            }
            if (invocation.link.kind != LinkChoice::Kind::None) {
                error = TwoLinks;
                return std::nullopt;
            }
            invocation.link.kind = LinkChoice::Kind::Com;
            invocation.link.device = value;
        } else if (isOption(word, "--tcp")) {
            if (!takeValue(args, i, "--tcp", value, error))
                return std::nullopt;
            const auto address = parseIpv4(value);
            if (!address || !isUnicastIpv4(*address)) {
                error = "--tcp takes the matrix's IPv4 address (such as 192.168.0.80), not '" +
                        value + "'";
                return std::nullopt;
            }
            if (invocation.link.kind != LinkChoice::Kind::None) {
                error = TwoLinks;
                return std::nullopt;
            }
            invocation.link.kind = LinkChoice::Kind::Tcp;
            invocation.link.address = formatIpv4(*address);
        } else {
            error = "unknown option " + word;
            return std::nullopt;
        }
    }
    // Named only once the line is known to be well formed, so a bad line changes nothing.
    if (!invocation.link.device.empty()) {
        std::string why;
        const auto number = ports::nameDevicePath(invocation.link.device, why);
        if (!number) {
            error = "--port: " + why;
            return std::nullopt;
        }
        invocation.link.port = *number;
    }
    return invocation;
}

std::optional<int> parseOutput(const std::string& text) {
    const std::string u = upper(text);
    if (u.size() == 1 && u[0] >= 'A' && u[0] <= 'H')
        return u[0] - 'A' + 1;
    if (u.rfind("OUT", 0) == 0 && u.size() == 4 && u[3] >= 'A' && u[3] <= 'H')
        return u[3] - 'A' + 1;
    return digitIn(text, 1, 8);
}

std::optional<int> parseInput(const std::string& text) {
    const std::string u = upper(text);
    if (u.rfind("IN", 0) == 0)
        return digitIn(u.substr(2), 1, 8);
    return digitIn(text, 1, 8);
}

std::optional<int> parseEdidTarget(const std::string& text) {
    const std::string u = upper(text);
    if (u == "ALL")
        return 8;
    if (u.rfind("IN", 0) != 0)
        return std::nullopt;
    const auto input = digitIn(u.substr(2), 1, 8);
    if (!input)
        return std::nullopt;
    return *input - 1;
}

std::optional<bool> parseOnOff(const std::string& text) {
    const std::string u = upper(text);
    if (u == "ON")
        return true;
    if (u == "OFF")
        return false;
    return std::nullopt;
}

std::string outputLetter(int output) {
    return std::string(1, static_cast<char>('A' + output - 1));
}

} // namespace quorvane::cli
