#pragma once
// Helpers for tests of serial ports and COM<n> names (plain POSIX, usable without Qt):
// - PtyPair: a pseudo-terminal pair. The test plays the far end of the line on the master side;
//   the code under test opens the slave by its path or through a COM<n> link. The pair holds a
//   slave descriptor of its own, so the slave's settings can be read while another descriptor
//   holds it exclusively, and the master sees no hang-up when the code under test closes.
// - PrivateRuntimeDir: a temporary XDG_RUNTIME_DIR (so the ports folder is private to the test),
//   undone on destruction; the built-in table of system serial devices is switched off and stays
//   off.

#include "serialports/PortNames.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace quorvane::test {

class PtyPair {
public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        const char* name = nullptr;
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
            (name = ptsname(master_)) == nullptr ||
            (slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC)) < 0) {
            hangUp();
            return;
        }
        slavePath_ = name;
        // Raw from the start, so bytes sent before the code under test opens are kept as they are.
        termios line{};
        if (tcgetattr(slave_, &line) == 0) {
            cfmakeraw(&line);
            tcsetattr(slave_, TCSANOW, &line);
        }
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { hangUp(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool valid() const { return master_ >= 0 && slave_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }
    int slaveFd() const { return slave_; }

    // Sends all bytes towards the slave.
    bool writeToSlave(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd writable{master_, POLLOUT, 0};
                poll(&writable, 1, 1000);
            } else {
                return false;
            }
        }
        return true;
    }

    // What the slave side has sent so far, without waiting.
    std::vector<std::uint8_t> readFromSlave() {
        std::vector<std::uint8_t> bytes;
        std::array<std::uint8_t, 4096> buffer{};
        ssize_t n = 0;
        while ((n = read(master_, buffer.data(), buffer.size())) > 0)
            bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + n);
        return bytes;
    }

    // Hangs up the far end: closes the master and the pair's own slave descriptor.
    void hangUp() {
        if (slave_ >= 0)
            close(slave_);
        if (master_ >= 0)
            close(master_);
        slave_ = master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

class PrivateRuntimeDir {
public:
    PrivateRuntimeDir() {
        char pattern[] = "/tmp/quorvane-test-XXXXXX";
        if (mkdtemp(pattern) != nullptr)
            path_ = pattern;
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            saved_ = old;
        setenv("XDG_RUNTIME_DIR", path_.c_str(), 1);
        ports::setBuiltInTableEnabled(false);
    }
    ~PrivateRuntimeDir() {
        if (saved_)
            setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        // The built-in table stays off: every test program keeps it off from start to end.
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    PrivateRuntimeDir(const PrivateRuntimeDir&) = delete;
    PrivateRuntimeDir& operator=(const PrivateRuntimeDir&) = delete;

    bool valid() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    // Where the COM<n> links live while this directory is in use.
    std::string portsFolder() const { return path_ + "/quorvane/ports"; }

private:
    std::string path_;
    std::optional<std::string> saved_;
};

} // namespace quorvane::test
