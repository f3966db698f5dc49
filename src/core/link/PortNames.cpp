#include "link/PortNames.h"

#include "link/TerminalFacts.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::ports {

namespace {

std::atomic<bool> tableSwitch{true};

bool inRange(int n) {
    return n >= FirstPortNumber && n <= LastPortNumber;
}

std::string errorText(int error) {
    return std::strerror(error);
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

// Opens and locks the lock file. The previous owner removes its lock file on the way out, so a
// lock won on a file that has just been unlinked guards nothing: check that the path still names
// the locked file, and try again otherwise.
int acquireLock(const std::string& lockPath, const std::string& name, std::string& error) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd =
            open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
        if (fd < 0) {
            error = "cannot open " + lockPath + ": " + errorText(errno);
            return -1;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int cause = errno;
            close(fd);
            error = cause == EWOULDBLOCK ? name + " is already registered by a running process"
                                         : "cannot lock " + lockPath + ": " + errorText(cause);
            return -1;
        }
        struct stat held {};
        struct stat named {};
        if (fstat(fd, &held) == 0 && stat(lockPath.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return fd;
        close(fd);
    }
    error = "cannot lock " + lockPath + ": its owner keeps replacing it";
    return -1;
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
    if (auto device = linkedDevice(n))
        return device;
    return tableDevice(n);
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

std::unique_ptr<PortRegistration> PortRegistration::create(int n, const std::string& devicePath,
                                                           std::string& error) {
    error.clear();
    const std::string name = portName(n);
    if (!inRange(n)) {
        error = name + " is not a port name (COM1 to COM19)";
        return nullptr;
    }
    if (devicePath.empty() || devicePath.front() != '/') {
        error = "the device path for " + name + " must be absolute";
        return nullptr;
    }
    const std::string folder = portsFolder();
    if (folder.empty()) {
        error = "no private ports folder at " + portsFolderPath();
        return nullptr;
    }
    const std::string linkPath = folder + "/" + name;
    const std::string lockPath = linkPath + ".lock";
    const int lockFd = acquireLock(lockPath, name, error);
    if (lockFd < 0)
        return nullptr;

    // We hold the lock, so a link still in place was left by an owner that is gone.
    if ((unlink(linkPath.c_str()) != 0 && errno != ENOENT) ||
        symlink(devicePath.c_str(), linkPath.c_str()) != 0) {
        error = "cannot create " + linkPath + ": " + errorText(errno);
        unlink(lockPath.c_str());
        close(lockFd);
        return nullptr;
    }
    return std::unique_ptr<PortRegistration>(new PortRegistration(n, linkPath, lockPath, lockFd));
}

PortRegistration::PortRegistration(int n, std::string linkPath, std::string lockPath, int lockFd)
    : number_(n), linkPath_(std::move(linkPath)), lockPath_(std::move(lockPath)), lockFd_(lockFd) {}

PortRegistration::~PortRegistration() {
    // Remove the link while the lock still guards it, then the lock file, then give up the lock.
    unlink(linkPath_.c_str());
    unlink(lockPath_.c_str());
    close(lockFd_);
}

} // namespace quorvane::ports
