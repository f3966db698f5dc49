#include "serialports/PortHolders.h"

#include "serialports/SystemRoot.h"
#include "serialports/TerminalFacts.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quorvane::ports {

namespace {

// /dev/ptmx (and /dev/pts/ptmx): opening it makes a new pseudo-terminal master.
const dev_t PtmxDevice = makedev(5, 2);

std::optional<int> parsePid(const char* text) {
    if (text == nullptr || *text == '\0')
        return std::nullopt;
    long value = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9' || value > INT_MAX / 10)
            return std::nullopt;
        value = value * 10 + (*c - '0');
    }
    return value > 0 && value <= INT_MAX ? std::optional<int>(static_cast<int>(value))
                                         : std::nullopt;
}

bool holdsDevice(const struct stat& st, const DeviceNode& device) {
    if (!S_ISCHR(st.st_mode) || st.st_rdev != device.rdev)
        return false;
    // Pseudo-terminal numbers repeat in every devpts instance (containers): the file system must
    // match as well. Other device numbers name one device whatever node leads to it.
    return !isPseudoTerminal(device.rdev) || st.st_dev == device.fsDev;
}

// True when one of `masterFds` of process `pid` is the master side of pseudo-terminal `index`;
// /proc/<pid>/fdinfo/<fd> tells a master's index as "tty-index:".
bool holdsMasterOf(const std::string& pid, const std::vector<std::string>& masterFds, int index) {
    for (const auto& fd : masterFds) {
        const auto info = readSystemFile("/proc/" + pid + "/fdinfo/" + fd, 4096);
        if (!info)
            continue;
        const auto at = info->find("tty-index:");
        if (at == std::string::npos)
            continue;
        if (std::atoi(info->c_str() + at + std::strlen("tty-index:")) == index)
            return true;
    }
    return false;
}

// Marks in `found` the devices that process `pid` holds; `remaining` counts the devices still
// without a holder.
void scanProcess(const std::string& proc, const std::string& pid,
                 const std::vector<DeviceNode>& devices,
                 std::vector<std::optional<PortHolder>>& found, std::size_t& remaining) {
    const int dirFd = open((proc + "/" + pid + "/fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return; // gone, or not ours to look into
    DIR* fds = fdopendir(dirFd);
    if (fds == nullptr) {
        close(dirFd);
        return;
    }
    std::vector<std::size_t> held;
    std::vector<std::string> masterFds;
    char target[64];
    while (const dirent* entry = readdir(fds)) {
        if (entry->d_name[0] == '.')
            continue;
        // The link text first: it costs no access to the file itself, so descriptors on a hung
        // network file system cannot block the scan. Only nodes under /dev are looked at closer.
        const ssize_t n = readlinkat(dirFd, entry->d_name, target, sizeof target);
        if (n < 5 || std::memcmp(target, "/dev/", 5) != 0)
            continue;
        struct stat st {};
        if (fstatat(dirFd, entry->d_name, &st, 0) != 0 || !S_ISCHR(st.st_mode))
            continue;
        if (st.st_rdev == PtmxDevice) {
            masterFds.emplace_back(entry->d_name);
            continue;
        }
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (!found[i] && holdsDevice(st, devices[i]))
                held.push_back(i);
        }
    }
    closedir(fds);

    for (const std::size_t i : held) {
        if (found[i])
            continue; // the same device on two descriptors
        if (isPseudoTerminal(devices[i].rdev) && !masterFds.empty() &&
            holdsMasterOf(pid, masterFds, pseudoTerminalIndex(devices[i].rdev)))
            continue;
        const int pidNumber = parsePid(pid.c_str()).value_or(0);
        found[i] = PortHolder{PortHolder::How::OpenDescriptor, pidNumber, programName(pidNumber)};
        --remaining;
    }
}

bool processAlive(int pid) {
    return kill(pid, 0) == 0 || errno == EPERM;
}

// The process id in a lock file: ASCII digits (usually right-aligned in 10 columns), or, from
// old programs, a 4-byte binary number. 0 when neither.
int lockFilePid(const std::string& text) {
    // The text form holds nothing but blanks and digits; a binary pid can look like a blank
    // followed by a digit ("\r9\0\0" is 14605), so it must not be read as text.
    const bool textForm = text.find_first_of("0123456789") != std::string::npos &&
                          text.find_first_not_of("0123456789 \t\r\n") == std::string::npos;
    std::istringstream in(text);
    long value = 0;
    if (textForm && in >> value && value > 0 && value <= INT_MAX)
        return static_cast<int>(value);
    if (text.size() == sizeof(std::int32_t)) {
        std::int32_t binary = 0;
        std::memcpy(&binary, text.data(), sizeof binary);
        return binary > 0 ? binary : 0;
    }
    return 0;
}

// A lock file is read only when it is a plain file: /var/lock is writable by everybody, and a
// link planted there must not lead this program into opening a device.
std::optional<std::string> readLockFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::optional<std::string> text;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buffer[128];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        text = std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    close(fd);
    return text;
}

std::vector<std::string> lockFileNames(const std::string& devicePath) {
    // LCK..ttyUSB0 for /dev/ttyUSB0; for a node in a sub-folder, both LCK..3 and LCK..pts_3
    // are in use.
    std::vector<std::string> names;
    const auto slash = devicePath.find_last_of('/');
    names.push_back("LCK.." + devicePath.substr(slash + 1));
    if (devicePath.rfind("/dev/", 0) == 0) {
        std::string relative = devicePath.substr(5);
        for (char& c : relative)
            c = c == '/' ? '_' : c;
        if ("LCK.." + relative != names.front())
            names.push_back("LCK.." + relative);
    }
    return names;
}

} // namespace

std::optional<DeviceNode> deviceNode(const std::string& path) {
    char canonical[PATH_MAX];
    struct stat st {};
    if (realpath(path.c_str(), canonical) == nullptr || stat(canonical, &st) != 0 ||
        !S_ISCHR(st.st_mode))
        return std::nullopt;
    return DeviceNode{canonical, st.st_rdev, st.st_dev, st.st_ino};
}

std::string programName(int pid) {
    if (pid <= 0)
        return {};
    auto name = readSystemFile("/proc/" + std::to_string(pid) + "/comm", 64);
    if (!name)
        return {};
    while (!name->empty() && (name->back() == '\n' || name->back() == '\r'))
        name->pop_back();
    return *name;
}

std::vector<std::optional<PortHolder>> descriptorHolders(const std::vector<DeviceNode>& devices) {
    std::vector<std::optional<PortHolder>> found(devices.size());
    if (devices.empty())
        return found;
    const std::string proc = systemPath("/proc");
    DIR* processes = opendir(proc.c_str());
    if (processes == nullptr)
        return found;
    const std::string self = std::to_string(getpid());
    std::size_t remaining = devices.size();
    while (remaining > 0) {
        const dirent* entry = readdir(processes);
        if (entry == nullptr)
            break;
        if (!parsePid(entry->d_name) || self == entry->d_name)
            continue;
        scanProcess(proc, entry->d_name, devices, found, remaining);
    }
    closedir(processes);
    return found;
}

std::optional<PortHolder> lockHolder(const DeviceNode& device, bool countThisProcess) {
    // Lines such as "1: FLOCK  ADVISORY  WRITE 1234 00:05:123 0 EOF"; a waiting lock shows "->"
    // after the number. The file is "major:minor:inode" of the node's file system, in hex and
    // decimal.
    const auto locks = readSystemFile("/proc/locks");
    if (!locks)
        return std::nullopt;
    char id[64];
    std::snprintf(id, sizeof id, "%02x:%02x:%llu", major(device.fsDev), minor(device.fsDev),
                  static_cast<unsigned long long>(device.inode));
    const int self = getpid();
    std::istringstream lines(*locks);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, file;
        if (!(fields >> number >> kind) || kind == "->")
            continue;
        if (!(fields >> mode >> access >> pid >> file) || file != id)
            continue;
        const int owner = std::atoi(pid.c_str());
        if (owner == self && !countThisProcess)
            continue;
        return PortHolder{PortHolder::How::Lock, owner > 0 ? owner : 0,
                          owner > 0 ? programName(owner) : std::string{}};
    }
    return std::nullopt;
}

std::optional<PortHolder> lockFileHolder(const DeviceNode& device) {
    for (const char* folder : {"/var/lock", "/run/lock"}) {
        for (const auto& name : lockFileNames(device.path)) {
            const auto text = readLockFile(systemPath(folder) + "/" + name);
            if (!text)
                continue;
            const int pid = lockFilePid(*text);
            if (pid == getpid())
                continue;
            if (pid > 0 && !processAlive(pid))
                continue; // stale: its owner is gone
            // An owner that cannot be told is taken at its word: the file says the port is taken.
            return PortHolder{PortHolder::How::LockFile, pid, programName(pid)};
        }
    }
    return std::nullopt;
}

std::string inUseText(const std::string& portName, const PortHolder& holder) {
    std::string text = portName + " is in use by another program";
    if (!holder.program.empty())
        text += ": " + holder.program;
    if (holder.pid > 0)
        text += " (process " + std::to_string(holder.pid) + ")";
    return text + ".";
}

} // namespace quorvane::ports
