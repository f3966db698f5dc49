#pragma once
// How the simulated matrix (and tests standing in for a device) give a device a COM<n> name: a
// link in the program's ports folder, which the program's port lookup reads.

#include "serialports/PortNames.h"

#include <memory>
#include <string>

namespace quorvane::ports {

// A COM<n> registration owned by a process: the symbolic link COM<n> -> device in the ports folder,
// guarded by an flock on "COM<n>.lock" beside it that is held for the registration's lifetime.
// A link whose lock is not held by a live process (its owner was killed) is stale and is replaced;
// a name held by a live owner, in this process or another, is refused. The destructor removes the
// link and the lock file.
class PortRegistration {
public:
    // Registers COM<n> for `devicePath` (an absolute path). On failure returns nullptr and puts a
    // one-line reason into `error`.
    static std::unique_ptr<PortRegistration> create(int n, const std::string& devicePath,
                                                    std::string& error);
    ~PortRegistration();
    PortRegistration(const PortRegistration&) = delete;
    PortRegistration& operator=(const PortRegistration&) = delete;

    int number() const { return number_; }
    const std::string& linkPath() const { return linkPath_; }

private:
    PortRegistration(int n, std::string linkPath, std::string lockPath, int lockFd);

    int number_;
    std::string linkPath_;
    std::string lockPath_;
    int lockFd_;
};

} // namespace quorvane::ports
