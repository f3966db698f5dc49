#include "sim/ports/PortRegistration.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::ports {

namespace {

std::string errorText(int error) {
    return std::strerror(error);
}

// Opens and locks the lock file. The previous owner removes its lock file on the way out, so a
// lock won on a file that has just been unlinked guards nothing: check that the path still names
// the locked file, and try again otherwise.
int acquireLock(const std::string& lockPath, const std::string& name, std::string& error) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd =
            open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
        if (fd < 0) {
            error = "cannot open " + lockPath + ": " + errorText(errno);
            return -1;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int cause = errno;
            close(fd);
            error = cause == EWOULDBLOCK ? name + " is already registered by a running process"
                                         : "cannot lock " + lockPath + ": " + errorText(cause);
            return -1;
        }
        struct stat held {};
        struct stat named {};
        if (fstat(fd, &held) == 0 && stat(lockPath.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return fd;
        close(fd);
    }
    error = "cannot lock " + lockPath + ": its owner keeps replacing it";
    return -1;
}

} // namespace

std::unique_ptr<PortRegistration> PortRegistration::create(int n, const std::string& devicePath,
                                                           std::string& error) {
    error.clear();
    const std::string name = portName(n);
    if (n < FirstPortNumber || n > LastPortNumber) {
        error = name + " is not a port name (COM1 to COM19)";
        return nullptr;
    }
    if (devicePath.empty() || devicePath.front() != '/') {
        error = "the device path for " + name + " must be absolute";
        return nullptr;
    }
    const std::string folder = portsFolder();
    if (folder.empty()) {
        error = "no private ports folder (it must be a directory of yours, closed to others)";
        return nullptr;
    }
    const std::string linkPath = folder + "/" + name;
    const std::string lockPath = linkPath + ".lock";
    const int lockFd = acquireLock(lockPath, name, error);
    if (lockFd < 0)
        return nullptr;

    // We hold the lock, so a link still in place was left by an owner that is gone.
    if ((unlink(linkPath.c_str()) != 0 && errno != ENOENT) ||
        symlink(devicePath.c_str(), linkPath.c_str()) != 0) {
        error = "cannot create " + linkPath + ": " + errorText(errno);
        unlink(lockPath.c_str());
        close(lockFd);
        return nullptr;
    }
    return std::unique_ptr<PortRegistration>(new PortRegistration(n, linkPath, lockPath, lockFd));
}

PortRegistration::PortRegistration(int n, std::string linkPath, std::string lockPath, int lockFd)
    : number_(n), linkPath_(std::move(linkPath)), lockPath_(std::move(lockPath)), lockFd_(lockFd) {}

PortRegistration::~PortRegistration() {
    // Remove the link while the lock still guards it, then the lock file, then give up the lock.
    unlink(linkPath_.c_str());
    unlink(lockPath_.c_str());
    close(lockFd_);
}

} // namespace quorvane::ports
