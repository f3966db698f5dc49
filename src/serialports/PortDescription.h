#pragma once
// What a serial device is, in words a user recognises beside its COM name: the maker, model and
// serial number that a USB adapter reports ("FTDI FT232R USB UART, serial A50285BI"), read from
// the USB device behind the terminal in /sys (under the system root, see SystemRoot.h); for a
// port without one a plain description ("on-board serial port", "pseudo-terminal"). Nothing is
// opened but /sys attributes. The adapter's strings come from the adapter itself: control
// characters become '?' and each string is cut to a readable length.
//
// Plain POSIX; none of these throws.

#include <string>
#include <string_view>

#include <sys/types.h>

namespace quorvane::ports {

// The description of the terminal device numbered `rdev`; never empty.
std::string describeDevice(dev_t rdev);

// The description of the device at `path` (links followed); empty when `path` is no character
// device.
std::string describeDevicePath(const std::string& path);

// The serial number the USB adapter behind terminal device `rdev` reports (readable as below);
// empty when the device is no USB adapter or reports none.
std::string adapterSerial(dev_t rdev);
// The same for the device at `path` (links followed).
std::string adapterSerialNumber(const std::string& path);

// An attribute an adapter reported, fit to be shown: surrounding white space removed, control
// characters replaced by '?', at most 64 bytes (cut before a UTF-8 sequence that does not fit).
std::string readableAttribute(std::string_view raw);

} // namespace quorvane::ports
