#pragma once
// Another process holding a terminal device, as a terminal program does: a forked child opens the
// device itself, sets 9600 baud in canonical mode and, if asked, sets the exclusive flag and takes
// an flock, then waits until it is killed. It closes the descriptors it is told to first (a
// pseudo-terminal pair's master and slave inherited from the test), so that it holds the device
// through its own descriptor only. Plain POSIX; the child calls only async-signal-safe functions,
// so it may be forked from a Qt test program.

#include <csignal>
#include <initializer_list>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace quorvane::test {

class ForeignHolder {
public:
    struct Hold {
        bool exclusiveFlag = false;
        bool flock = false;
    };

    // `name` becomes the child's process name (at most 15 characters are kept).
    ForeignHolder(const std::string& device, const char* name, Hold hold,
                  std::initializer_list<int> inheritedToClose = {}) {
        termios line{};
        cfmakeraw(&line);
        line.c_iflag |= ICRNL;
        line.c_oflag |= OPOST | ONLCR;
        line.c_lflag |= ICANON | ECHO | ECHOE | ISIG;
        line.c_cflag |= CREAD | CLOCAL;
        cfsetispeed(&line, B9600);
        cfsetospeed(&line, B9600);
        const std::vector<int> toClose(inheritedToClose);
        int ready[2];
        if (pipe(ready) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            for (const int fd : toClose)
                close(fd);
            close(ready[0]);
            prctl(PR_SET_NAME, name, 0, 0, 0);
            const int fd = open(device.c_str(), O_RDWR | O_NOCTTY);
            bool held = fd >= 0 && tcsetattr(fd, TCSANOW, &line) == 0;
            if (held && hold.exclusiveFlag)
                held = ioctl(fd, TIOCEXCL) == 0;
            if (held && hold.flock)
                held = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
            const char answer = held ? 'y' : 'n';
            static_cast<void>(write(ready[1], &answer, 1));
            for (;;)
                pause();
        }
        close(ready[1]);
        char answer = 0;
        ready_ = pid_ > 0 && read(ready[0], &answer, 1) == 1 && answer == 'y';
        close(ready[0]);
    }
    ~ForeignHolder() { stop(); }
    ForeignHolder(const ForeignHolder&) = delete;
    ForeignHolder& operator=(const ForeignHolder&) = delete;

    bool ready() const { return ready_; }
    pid_t pid() const { return pid_; }

    // Kills the child and waits for it: its descriptors and its lock are gone. (A pseudo-terminal
    // keeps an exclusive flag the child set for as long as its master stays open.)
    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool ready_ = false;
};

} // namespace quorvane::test
