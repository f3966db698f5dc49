#include "link/PortAccess.h"

#include "link/TerminalFacts.h"

#include <unistd.h>

namespace quorvane::ports {

bool fitForListing(const DeviceNode& device) {
    return access(device.path.c_str(), R_OK | W_OK) == 0 && isSerialLine(device.rdev) &&
           !isKernelConsole(device.rdev) && !hasNoUart(device.rdev);
}

std::optional<std::string> refusalBeforeOpen(const DeviceNode& device,
                                             const std::string& portName) {
    if (isKernelConsole(device.rdev))
        return portName + " is the system console.";
    if (!isSerialLine(device.rdev) || hasNoUart(device.rdev))
        return std::string{};
    if (auto holder = descriptorHolders({device}).front())
        return inUseText(portName, *holder);
    if (auto holder = lockHolder(device))
        return inUseText(portName, *holder);
    if (auto holder = lockFileHolder(device))
        return inUseText(portName, *holder);
    return std::nullopt;
}

std::string exclusiveText(const std::string& portName) {
    return portName + " is held exclusively by another program.";
}

} // namespace quorvane::ports
