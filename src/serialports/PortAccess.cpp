#include "serialports/PortAccess.h"

#include "serialports/TerminalFacts.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace quorvane::ports {

namespace {

std::string groupOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return {};
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::to_string(st.st_gid);
    return found->gr_name;
}

std::string userName() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return "$USER";
    return found->pw_name;
}

} // namespace

bool fitForListing(const DeviceNode& device) {
    return isSerialLine(device.rdev) && !isKernelConsole(device.rdev) && !hasNoUart(device.rdev);
}

std::string permissionText(const std::string& portName, const std::string& path,
                           const std::string& group, const std::string& user) {
    if (group.empty())
        return portName + " (" + path + ") may not be opened by you.";
    return portName + " (" + path + ") may not be opened by you: it belongs to the group " + group +
           ". Add yourself with \"sudo adduser " + user + " " + group +
           "\", then log out and in again.";
}

std::optional<std::string> refusalBeforeOpen(const DeviceNode& device,
                                             const std::string& portName) {
    if (isKernelConsole(device.rdev))
        return portName + " is the system console.";
    if (!isSerialLine(device.rdev) || hasNoUart(device.rdev))
        return std::string{};
    if (access(device.path.c_str(), R_OK | W_OK) != 0)
        return permissionRefusal(device, portName);
    if (auto holder = descriptorHolders({device}).front())
        return inUseText(portName, *holder);
    if (auto holder = lockHolder(device))
        return inUseText(portName, *holder);
    if (auto holder = lockFileHolder(device))
        return inUseText(portName, *holder);
    return std::nullopt;
}

std::string permissionRefusal(const DeviceNode& device, const std::string& portName) {
    return permissionText(portName, device.path, groupOf(device.path), userName());
}

std::string exclusiveText(const std::string& portName) {
    return portName + " is held exclusively by another program.";
}

} // namespace quorvane::ports
