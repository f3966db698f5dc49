#pragma once
// COM<n> port names on Linux: where the name COM<n> (n = 1..19) leads. Giving a device such a
// name is the simulator's business (sim/ports/PortRegistration.h).
//
// Lookup order for COM<n>:
//   1. A symbolic link named "COM<n>" in the ports folder (see portsFolder()) wins when it leads to
//      a terminal device that can stand for a serial line (a pseudo-terminal, or a tty-class device
//      other than /dev/tty, /dev/console, /dev/ptmx and the virtual consoles), told from its device
//      number without opening it. A link to anything else (a plain file, /dev/null, a missing
//      target) is ignored.
//   2. Otherwise the built-in table of the usual Linux serial devices, USB adapters first:
//        COM1..COM6   -> /dev/ttyUSB0../dev/ttyUSB5   (USB-serial adapters)
//        COM7..COM10  -> /dev/ttyACM0../dev/ttyACM3   (USB modem-class adapters)
//        COM11..COM19 -> /dev/ttyS0../dev/ttyS8       (on-board serial ports)
//      A table entry counts only while its path is a character device.
// A name that resolves is not yet a port that may be used: see PortAccess.h.
//
// All functions are plain POSIX, safe to call from the user-interface thread; none throws.

#include <optional>
#include <string>
#include <string_view>

namespace quorvane::ports {

inline constexpr int FirstPortNumber = 1;
inline constexpr int LastPortNumber = 19;

// "COM<n>".
std::string portName(int n);
// The number n of a "COM<n>" text, when n is one of 1..19; std::nullopt otherwise.
std::optional<int> parsePortNumber(std::string_view name);

// Folder where COM<n> links live: $XDG_RUNTIME_DIR/quorvane/ports, or when XDG_RUNTIME_DIR is unset
// (or not an absolute path) /tmp/quorvane-<uid>/ports. The folders are created with mode 0700 when
// missing; a folder that is not a real directory, is owned by another user or is writable by group
// or others is refused. Returns an empty string when no safe folder can be had.
std::string portsFolder();

// The device path that COM<n> names (lookup order above); std::nullopt when none. Opens nothing;
// a name that leads nowhere costs two failed lstat/stat calls, so asking for all names is cheap.
std::optional<std::string> resolvePort(int n);

// Gives the device at `path` (a device node, or a link to one such as /dev/serial/by-id/...) a
// COM name for the rest of this run: the COM<n> that already leads to the same device, else the
// first name that leads nowhere, which from now on leads to `path` ahead of the ports folder and
// the table (the link is followed afresh at each lookup). The device must be a terminal that can
// stand for a serial line, the same rule as for the ports folder's links; the other rules (the
// console, no UART, other programs) are asked where every COM name is opened. Returns the number,
// or std::nullopt with `error` saying why not.
std::optional<int> nameDevicePath(const std::string& path, std::string& error);

// The built-in table entry for COM<n> whether or not the device exists; std::nullopt outside 1..19.
std::optional<std::string> builtInDevicePath(int n);

// Turns the built-in table off/on (tests turn it off so nothing touches the machine's real ports).
// It is also off while the environment variable QUORVANE_NO_SYSTEM_PORTS is "1".
void setBuiltInTableEnabled(bool enabled);
bool builtInTableEnabled();

} // namespace quorvane::ports
