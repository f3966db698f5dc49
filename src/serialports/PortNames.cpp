#include "serialports/PortNames.h"

#include "serialports/TerminalFacts.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::ports {

namespace {

std::atomic<bool> tableSwitch{true};

// Paths given names by nameDevicePath(), indexed by port number (index 0 unused).
std::mutex givenMutex;
std::array<std::string, LastPortNumber + 1> givenPaths;

bool inRange(int n) {
    return n >= FirstPortNumber && n <= LastPortNumber;
}

// The folder that holds the ports folder: $XDG_RUNTIME_DIR/quorvane, else /tmp/quorvane-<uid>.
// Relative XDG_RUNTIME_DIR values are ignored, as the base directory rules ask.
std::string baseFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return std::string(runtime) + "/quorvane";
    return "/tmp/quorvane-" + std::to_string(geteuid());
}

std::string portsFolderPath() {
    return baseFolder() + "/ports";
}

// A folder is trusted only when it is a real directory (not a link to one), owned by this user and
// writable by nobody else: otherwise another user could plant a COM<n> link that leads this
// program to a device of their choice.
bool folderIsSafe(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 022) == 0;
}

bool ensureFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    return folderIsSafe(path);
}

// The canonical path of the serial-line terminal `path` leads to; std::nullopt for anything else.
std::optional<std::string> serialLineAt(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode) || !isSerialLine(info.st_rdev))
        return std::nullopt;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr)
        return std::nullopt;
    return std::string(resolved);
}

std::string givenPath(int n) {
    const std::lock_guard<std::mutex> lock(givenMutex);
    return givenPaths[static_cast<std::size_t>(n)];
}

std::optional<std::string> linkedDevice(int n) {
    const std::string folder = portsFolderPath();
    const std::string link = folder + "/" + portName(n);
    struct stat info {};
    if (lstat(link.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return std::nullopt;
    if (!folderIsSafe(baseFolder()) || !folderIsSafe(folder))
        return std::nullopt;
    // Told from the device number alone: opening a serial device to ask it is not free of effects.
    if (stat(link.c_str(), &info) != 0 || !S_ISCHR(info.st_mode) || !isSerialLine(info.st_rdev))
        return std::nullopt;
    char resolved[PATH_MAX];
    if (realpath(link.c_str(), resolved) == nullptr)
        return std::nullopt;
    return std::string(resolved);
}

std::optional<std::string> tableDevice(int n) {
    if (!builtInTableEnabled())
        return std::nullopt;
    auto path = builtInDevicePath(n);
    struct stat info {};
    if (!path || stat(path->c_str(), &info) != 0 || !S_ISCHR(info.st_mode))
        return std::nullopt;
    return path;
}

} // namespace

std::string portName(int n) {
    return "COM" + std::to_string(n);
}

std::optional<int> parsePortNumber(std::string_view name) {
    if (name.size() < 4 || name.substr(0, 3) != "COM")
        return std::nullopt;
    const std::string_view digits = name.substr(3);
    for (int n = FirstPortNumber; n <= LastPortNumber; ++n) {
        if (digits == std::to_string(n))
            return n;
    }
    return std::nullopt;
}

std::string portsFolder() {
    const std::string base = baseFolder();
    const std::string folder = base + "/ports";
    if (!ensureFolder(base) || !ensureFolder(folder))
        return {};
    return folder;
}

std::optional<std::string> resolvePort(int n) {
    if (!inRange(n))
        return std::nullopt;
    // A name given to a path keeps it: a vanished device must not fall back to another one.
    if (const std::string given = givenPath(n); !given.empty())
        return serialLineAt(given);
    if (auto device = linkedDevice(n))
        return device;
    return tableDevice(n);
}

std::optional<int> nameDevicePath(const std::string& path, std::string& error) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) {
        error = path + " does not exist";
        return std::nullopt;
    }
    if (!S_ISCHR(info.st_mode) || !isSerialLine(info.st_rdev)) {
        error = path + " is not a terminal device that can be a serial line";
        return std::nullopt;
    }
    int free = 0;
    for (int n = FirstPortNumber; n <= LastPortNumber; ++n) {
        const auto device = resolvePort(n);
        struct stat named {};
        if (!device) {
            if (free == 0 && givenPath(n).empty())
                free = n;
            continue;
        }
        if (stat(device->c_str(), &named) == 0 && named.st_rdev == info.st_rdev &&
            named.st_dev == info.st_dev)
            return n;
    }
    if (free == 0) {
        error = "every name from " + portName(FirstPortNumber) + " to " + portName(LastPortNumber) +
                " is taken; none is left for " + path;
        return std::nullopt;
    }
    const std::lock_guard<std::mutex> lock(givenMutex);
    givenPaths[static_cast<std::size_t>(free)] = path;
    return free;
}

std::optional<std::string> builtInDevicePath(int n) {
    if (!inRange(n))
        return std::nullopt;
    if (n <= 6)
        return "/dev/ttyUSB" + std::to_string(n - 1);
    if (n <= 10)
        return "/dev/ttyACM" + std::to_string(n - 7);
    return "/dev/ttyS" + std::to_string(n - 11);
}

void setBuiltInTableEnabled(bool enabled) {
    tableSwitch = enabled;
}

bool builtInTableEnabled() {
    const char* off = std::getenv("QUORVANE_NO_SYSTEM_PORTS");
    return tableSwitch && !(off != nullptr && std::strcmp(off, "1") == 0);
}

} // namespace quorvane::ports
