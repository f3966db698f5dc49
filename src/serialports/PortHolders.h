#pragma once
// Who else is using a serial device, found the way the system itself records it, without opening
// the device:
//   - an open descriptor: /proc/<pid>/fd of every process this user may look into (its own
//     processes; every process for root). This process does not count. Neither does a process that
//     also holds the master side of the same pseudo-terminal: that is the far end of the line (a
//     simulated device, socat), not a rival user of the port.
//   - a lock (flock, POSIX or open-file-description lock) on the device node, from /proc/locks.
//     This sees holders of every user, and this program's own port objects (each holds an flock).
//   - a lock file of the UUCP convention, LCK..<device name> in /var/lock or /run/lock, holding the
//     owner's process id in ASCII (or as a 4-byte binary number); stale when that process is gone.
// Paths under /proc, /var/lock and /run/lock follow the system root (SystemRoot.h).
//
// Plain POSIX; nothing here throws. Reading /proc/*/fd costs a few microseconds per descriptor on
// the machine (tens of milliseconds on a desktop), so callers that ask often cache the answer
// (HolderWatch.h).

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace quorvane::ports {

// A device node as the kernel knows it.
struct DeviceNode {
    std::string path; // the node's canonical path, e.g. /dev/ttyUSB0
    dev_t rdev = 0;   // the device number
    dev_t fsDev = 0;  // the file system holding the node (tells pseudo-terminal instances apart)
    ino_t inode = 0;

    bool sameNode(const DeviceNode& other) const {
        return rdev == other.rdev && fsDev == other.fsDev && inode == other.inode;
    }
};

// The node at `path` (links followed, path made canonical) when it is a character device.
std::optional<DeviceNode> deviceNode(const std::string& path);

struct PortHolder {
    enum class How { OpenDescriptor, Lock, LockFile };
    How how = How::OpenDescriptor;
    int pid = 0;         // 0 when not known
    std::string program; // the process's name from /proc/<pid>/comm; empty when not visible
};

// The name of process `pid` (/proc/<pid>/comm), empty when it cannot be read.
std::string programName(int pid);

// For every device, the first process other than this one found holding it open, in one pass
// over /proc.
std::vector<std::optional<PortHolder>> descriptorHolders(const std::vector<DeviceNode>& devices);
// A lock on the device node taken by another process or, with `countThisProcess`, by this one too
// (another port object of this program holds the device).
std::optional<PortHolder> lockHolder(const DeviceNode& device, bool countThisProcess = false);
// A live lock file for the device.
std::optional<PortHolder> lockFileHolder(const DeviceNode& device);

// "COM3 is in use by another program: minicom (process 1234)." and shorter forms when less is
// known.
std::string inUseText(const std::string& portName, const PortHolder& holder);

} // namespace quorvane::ports
