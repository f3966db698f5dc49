#pragma once
// The rules that decide whether a serial device may be used, all decided without opening it.
//
// A device is fit to be listed when it is a terminal that can stand for a serial line, not the
// kernel's console, and, for a legacy port, has a UART behind it (TerminalFacts.h). A device this
// user may not read and write (access(2)) is listed all the same: opening it then says which group
// the user must join, which is what a user whose adapter "is not there" needs to learn. It is free
// when no other process holds it (PortHolders.h). The list asks the cheap rules every time and the
// holders through a cache (HolderWatch.h); openPort asks everything afresh, just before it opens.

#include "serialports/PortHolders.h"

#include <optional>
#include <string>

namespace quorvane::ports {

// The rules that need no search for holders.
bool fitForListing(const DeviceNode& device);

// Why `device`, named `portName` ("COM3"), must not be opened now; std::nullopt when it may be.
// The text names the port and, where it can be seen, the program that holds it; it is empty when
// the reason is no other program (the device cannot be used at all).
std::optional<std::string> refusalBeforeOpen(const DeviceNode& device, const std::string& portName);

// What to do about a device this user may not open: join its group. `group` is the device's group
// name, `user` this user's name.
std::string permissionText(const std::string& portName, const std::string& path,
                           const std::string& group, const std::string& user);

// permissionText() for `device`, with its group and this user's name looked up.
std::string permissionRefusal(const DeviceNode& device, const std::string& portName);

// The refusal when the device is open with its exclusive flag set by another program.
std::string exclusiveText(const std::string& portName);

} // namespace quorvane::ports
