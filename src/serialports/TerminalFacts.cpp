#include "serialports/TerminalFacts.h"

#include "serialports/SystemRoot.h"

#include <climits>
#include <sstream>
#include <string_view>

#include <sys/sysmacros.h>
#include <unistd.h>

namespace quorvane::ports {

namespace {

// The UNIX 98 pseudo-terminal slaves' majors; the first one takes indexes with minors above 255.
constexpr unsigned FirstPtyMajor = 136;
constexpr unsigned LastPtyMajor = 143;

// `text` without the blanks around it, as the kernel's attribute files end in a line break.
std::string trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

std::string deviceNumberText(dev_t rdev) {
    return std::to_string(major(rdev)) + ":" + std::to_string(minor(rdev));
}

std::string linkTarget(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n <= 0)
        return {};
    return std::string(target, static_cast<std::size_t>(n));
}

std::string lastComponent(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// /sys/dev/char/<major>:<minor>, which links to the device's folder, when it exists.
std::string sysfsEntry(dev_t rdev) {
    return systemPath("/sys/dev/char/" + deviceNumberText(rdev));
}

bool hasSysfsEntry(dev_t rdev) {
    return access(sysfsEntry(rdev).c_str(), F_OK) == 0 || !linkTarget(sysfsEntry(rdev)).empty();
}

std::optional<std::string> classAttribute(const std::string& name, const char* attribute) {
    if (name.empty())
        return std::nullopt;
    return readSystemFile("/sys/class/tty/" + name + "/" + attribute, 64);
}

bool listedInProcConsoles(dev_t rdev) {
    // Lines such as "ttyS0                -W- (EC p a)    4:64": the device number comes last.
    const auto consoles = readSystemFile("/proc/consoles");
    if (!consoles)
        return false;
    const std::string wanted = deviceNumberText(rdev);
    std::istringstream lines(*consoles);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string text = trimmed(line);
        const auto space = text.find_last_of(" \t");
        if (space != std::string::npos && text.substr(space + 1) == wanted)
            return true;
    }
    return false;
}

} // namespace

bool isPseudoTerminal(dev_t rdev) {
    return major(rdev) >= FirstPtyMajor && major(rdev) <= LastPtyMajor;
}

int pseudoTerminalIndex(dev_t rdev) {
    return static_cast<int>((major(rdev) - FirstPtyMajor) * 256 + minor(rdev));
}

std::string terminalName(dev_t rdev) {
    const std::string entry = sysfsEntry(rdev);
    if (lastComponent(linkTarget(entry + "/subsystem")) != "tty")
        return {};
    return lastComponent(linkTarget(entry));
}

bool isTerminal(dev_t rdev) {
    if (hasSysfsEntry(rdev))
        return !terminalName(rdev).empty();
    return isPseudoTerminal(rdev);
}

bool isSerialLine(dev_t rdev) {
    constexpr unsigned TtyAuxMajor = 5; // /dev/tty, /dev/console, /dev/ptmx
    constexpr unsigned TtyMajor = 4;    // virtual consoles below minor 64, then ttyS
    constexpr unsigned FirstLegacySerialMinor = 64;
    if (major(rdev) == TtyAuxMajor)
        return false;
    if (major(rdev) == TtyMajor && minor(rdev) < FirstLegacySerialMinor)
        return false;
    return isTerminal(rdev);
}

bool isKernelConsole(dev_t rdev) {
    const auto flag = classAttribute(terminalName(rdev), "console");
    if (flag && trimmed(*flag) == "Y")
        return true;
    return listedInProcConsoles(rdev);
}

bool hasNoUart(dev_t rdev) {
    const auto type = classAttribute(terminalName(rdev), "type");
    return type && trimmed(*type) == "0";
}

} // namespace quorvane::ports
