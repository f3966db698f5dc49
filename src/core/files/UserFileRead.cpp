#include "core/files/UserFileRead.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::files {

namespace {

UserFileRead failed(std::string why) {
    UserFileRead read;
    read.error = std::move(why);
    return read;
}

std::string systemError(int error) {
    return std::strerror(error);
}

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

UserFileRead readUserFile(const std::string& path, std::size_t limit) {
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0)
        return failed(systemError(errno));
    if (S_ISDIR(before.st_mode))
        return failed("a folder, not a file");
    if (!S_ISREG(before.st_mode))
        return failed("not a regular file");

    const Descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0)
        return failed(systemError(errno));
    struct stat opened {};
    if (::fstat(file.fd, &opened) != 0)
        return failed(systemError(errno));
    if (!S_ISREG(opened.st_mode))
        return failed("not a regular file");

    UserFileRead read;
    const auto reported = static_cast<std::uintmax_t>(opened.st_size);
    if (reported > limit) {
        read.ok = true;
        read.tooLong = true;
        return read;
    }
    // One byte more than the largest file taken tells a file that is too long from one that fits.
    read.bytes.resize(limit + 1);
    std::size_t held = 0;
    while (held < read.bytes.size()) {
        const ssize_t got = ::read(file.fd, read.bytes.data() + held, read.bytes.size() - held);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return failed(systemError(errno));
        }
        if (got == 0)
            break;
        held += static_cast<std::size_t>(got);
    }
    read.bytes.resize(held);
    read.ok = true;
    // A file of /proc or /sys reports size 0, and a file may change while it is read: what was
    // read is what is checked.
    read.tooLong = held > limit;
    return read;
}

} // namespace quorvane::files
