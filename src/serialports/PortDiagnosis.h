#pragma once
// Why a COM<n> name can or cannot be used, in words a user can act on: the name leads to no device,
// the device belongs to a group the user is not in (with the command that fixes it), it is no
// serial line, it is the kernel's console, it has no UART, or another program holds it (named).
// The same rules as the port list and openPort (PortNames.h, PortAccess.h), asked afresh; nothing
// is opened.
//
// Plain POSIX; none of these throws.

#include <optional>
#include <string>
#include <vector>

namespace quorvane::ports {

enum class PortVerdict {
    Usable,        // the port list shows it
    NoDevice,      // the name leads to no device
    NoPermission,  // listed, but this user may not read and write the device
    NotSerialLine, // a device, but no terminal that can be a serial line
    Console,       // the kernel writes its console to it
    NoUart,        // a legacy port with no UART behind it
    InUse,         // another program holds it
};

struct PortReport {
    int number = 0;
    std::string name;   // "COM3"
    std::string device; // the device path the name leads to; empty when none
    // What the device is ("FTDI FT232R USB UART, serial A50285BI", "pseudo-terminal"); empty when
    // there is no device (PortDescription.h).
    std::string description;
    PortVerdict verdict = PortVerdict::NoDevice;
    // Why the port cannot be used, as one or two sentences; empty when usable.
    std::string reason;
};

// Looks at COM<n> afresh (holders included). n outside 1..19 gives NoDevice.
PortReport diagnosePort(int n);

// Every COM<n> whose name leads to a device (a link in the ports folder or an existing entry of
// the built-in table), in ascending order; names that lead nowhere are left out.
std::vector<PortReport> diagnoseCandidatePorts();

} // namespace quorvane::ports
