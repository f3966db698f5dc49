#pragma once
// The rules that decide whether a serial device may be used, all decided without opening it.
//
// A device is fit to be listed when it is a character device this user may read and write
// (access(2)), a terminal that can stand for a serial line, not the kernel's console, and, for a
// legacy port, has a UART behind it (TerminalFacts.h). It is free when no other process holds it
// (PortHolders.h). The list asks the cheap rules every time and the holders through a cache
// (HolderWatch.h); openPort asks everything afresh, just before it opens.

#include "link/PortHolders.h"

#include <optional>
#include <string>

namespace quorvane::ports {

// The rules that need no search for holders.
bool fitForListing(const DeviceNode& device);

// Why `device`, named `portName` ("COM3"), must not be opened now; std::nullopt when it may be.
// The text names the port and, where it can be seen, the program that holds it; it is empty when
// the reason is no other program (the device cannot be used at all).
std::optional<std::string> refusalBeforeOpen(const DeviceNode& device, const std::string& portName);

// The refusal when the device is open with its exclusive flag set by another program.
std::string exclusiveText(const std::string& portName);

} // namespace quorvane::ports
