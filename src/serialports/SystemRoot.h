#pragma once
// Where the program reads what the kernel says about terminals and their users: /sys, /proc and
// the lock-file folders /var/lock and /run/lock. In the program the root is the real one; tests
// point it at a fake tree so that the console, UART and lock rules can be tried without the
// machine's own devices. Device nodes (/dev) are never redirected.
//
// Set the root before the first query and not while one runs; the user-interface thread only.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane::ports {

// `root` is prefixed to every system path ("" for the real system, e.g. "/tmp/fake" for tests).
void setSystemRoot(std::string root);
const std::string& systemRoot();
// The system path `path` (absolute, e.g. "/proc/locks") under the current root.
std::string systemPath(std::string_view path);
// The text of the system file `path` under the current root, at most `limit` bytes; std::nullopt
// when it cannot be read. For /sys attributes and /proc files, which reading does not change.
std::optional<std::string> readSystemFile(std::string_view path, std::size_t limit = 1 << 20);

} // namespace quorvane::ports
