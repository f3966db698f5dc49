#pragma once
// What the kernel says about a terminal device, read from /sys and /proc (under the system root,
// see SystemRoot.h) without opening the device. Opening a serial port is not free of effects: the
// first open raises DTR and RTS (many boards reset on that) and the last close drops them again.
//
// Plain POSIX; none of these throws. A fact that cannot be read counts as absent.

#include <string>

#include <sys/types.h>

namespace quorvane::ports {

// A UNIX 98 pseudo-terminal slave (/dev/pts/N).
bool isPseudoTerminal(dev_t rdev);
// N of /dev/pts/N, for a pseudo-terminal slave.
int pseudoTerminalIndex(dev_t rdev);

// The kernel's name of a terminal device ("ttyS0", "ttyUSB0") from /sys/dev/char/<major>:<minor>;
// empty when the device has no entry there (pseudo-terminal slaves have none) or is no terminal.
std::string terminalName(dev_t rdev);

// A pseudo-terminal slave, or a character device of the kernel's tty class.
bool isTerminal(dev_t rdev);

// A terminal that can stand for a serial line: any terminal except the process's controlling
// terminal (/dev/tty), /dev/console, /dev/ptmx and the virtual consoles (/dev/tty0../dev/tty63).
bool isSerialLine(dev_t rdev);

// The kernel writes its console to this device: /sys/class/tty/<name>/console reads "Y", or
// /proc/consoles lists its device number.
bool isKernelConsole(dev_t rdev);

// A legacy serial port with no UART behind it: /sys/class/tty/<name>/type reads 0 (the kernel's
// PORT_UNKNOWN). Such a port exists as a device but cannot carry a byte.
bool hasNoUart(dev_t rdev);

} // namespace quorvane::ports
