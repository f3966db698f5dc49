#include "serialports/SystemRoot.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace quorvane::ports {

namespace {
std::string& rootText() {
    static std::string root;
    return root;
}
} // namespace

void setSystemRoot(std::string root) {
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    rootText() = std::move(root);
}

const std::string& systemRoot() {
    return rootText();
}

std::string systemPath(std::string_view path) {
    std::string full = rootText();
    full += path;
    return full;
}

std::optional<std::string> readSystemFile(std::string_view path, std::size_t limit) {
    const int fd = open(systemPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    while (text.size() < limit) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    if (text.size() > limit)
        text.resize(limit);
    return text;
}

} // namespace quorvane::ports
