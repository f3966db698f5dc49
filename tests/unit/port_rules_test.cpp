// The rules of the port list read from /sys and /proc, tried on a fake system tree: the kernel
// console, a legacy port without a UART, lock files and locks. The port itself is a real
// pseudo-terminal registered as COM3; the fake tree says what the kernel would say about it.
#include "ForeignHolder.h"
#include "PtyPair.h"
#include "core/device/PortProbe.h"
#include "serialports/PortAccess.h"
#include "serialports/PortNames.h"
#include "serialports/SystemRoot.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace quorvane;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

class PortRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime.valid() && pty.valid());
        ASSERT_FALSE(ports::portsFolder().empty());
        ASSERT_EQ(symlink(pty.slavePath().c_str(), (runtime.portsFolder() + "/COM3").c_str()), 0);
        struct stat st {};
        ASSERT_EQ(stat(pty.slavePath().c_str(), &st), 0);
        number = std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
        ptsNumber = pty.slavePath().substr(pty.slavePath().find_last_of('/') + 1);
        root = runtime.path() + "/root";
        fs::create_directories(root + "/proc");
        fs::create_directories(root + "/sys/class/tty");
        fs::create_directories(root + "/var/lock");
        fs::create_directories(root + "/run/lock");
        ports::setSystemRoot(root);
    }
    void TearDown() override { ports::setSystemRoot(""); }

    void write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(root + path).parent_path());
        std::ofstream(root + path, std::ios::binary) << text;
    }
    // The fake /sys says that the pseudo-terminal is the kernel's terminal `name`.
    void nameInSys(const std::string& name) {
        fs::create_directories(root + "/sys/dev/char");
        fs::create_directories(root + "/sys/devices/platform/serial8250/tty/" + name);
        fs::create_symlink("../../devices/platform/serial8250/tty/" + name,
                           root + "/sys/dev/char/" + number);
        fs::create_symlink("../../../../../class/tty",
                           root + "/sys/devices/platform/serial8250/tty/" + name + "/subsystem");
    }
    Names listed() { return listOpenablePorts(probe); }
    std::optional<std::string> refusal() {
        const auto device = ports::deviceNode(pty.slavePath());
        return device ? ports::refusalBeforeOpen(*device, "COM3") : std::string("no device");
    }
    termios line() {
        termios settings{};
        tcgetattr(pty.slaveFd(), &settings);
        return settings;
    }

    test::PrivateRuntimeDir runtime;
    test::PtyPair pty;
    std::string number;    // "136:5"
    std::string ptsNumber; // "5"
    std::string root;
    SystemPortProbe probe;
};

// A process that lives until the test ends it.
struct Sleeper {
    Sleeper() : pid(fork()) {
        if (pid == 0)
            for (;;)
                pause();
    }
    ~Sleeper() { end(); }
    void end() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }
    pid_t pid;
};

} // namespace

TEST_F(PortRulesTest, WithNothingAgainstItTheRegisteredPortIsListedAndMayBeOpened) {
    EXPECT_EQ(listed(), Names{"COM3"});
    EXPECT_EQ(refusal(), std::nullopt);
}

TEST_F(PortRulesTest, TheKernelConsoleIsNeverListedNorOpened) {
    nameInSys("ttyS0");
    write("/sys/class/tty/ttyS0/type", "4\n");
    write("/sys/class/tty/ttyS0/console", "Y\n");
    const termios before = line();
    EXPECT_EQ(listed(), Names{});
    EXPECT_EQ(refusal(), "COM3 is the system console.");

    // Known to /proc/consoles only (its console flag reads N, or the kernel has no such file).
    write("/sys/class/tty/ttyS0/console", "N\n");
    EXPECT_EQ(listed(), Names{"COM3"});
    write("/proc/consoles", "tty0                 -WU (E  p  )    4:1\n"
                            "ttyS0                -W- (EC p a)    " +
                                number + "\n");
    EXPECT_EQ(listed(), Names{});
    EXPECT_EQ(refusal(), "COM3 is the system console.");

    // The line was never touched.
    const termios after = line();
    EXPECT_EQ(before.c_lflag, after.c_lflag);
    EXPECT_EQ(before.c_cflag, after.c_cflag);
    EXPECT_EQ(cfgetospeed(&before), cfgetospeed(&after));
}

TEST_F(PortRulesTest, ALegacyPortWithoutAUartIsNotListed) {
    nameInSys("ttyS2");
    write("/sys/class/tty/ttyS2/type", "0\n"); // PORT_UNKNOWN
    EXPECT_EQ(listed(), Names{});
    EXPECT_EQ(refusal(), "");
    write("/sys/class/tty/ttyS2/type", "4\n"); // a 16550A
    EXPECT_EQ(listed(), Names{"COM3"});
}

TEST_F(PortRulesTest, ADeviceTheKernelDoesNotCallATerminalIsNotListed) {
    fs::create_directories(root + "/sys/dev/char");
    fs::create_directories(root + "/sys/devices/virtual/mem/null");
    fs::create_symlink("../../devices/virtual/mem/null", root + "/sys/dev/char/" + number);
    fs::create_symlink("../../../../class/mem", root + "/sys/devices/virtual/mem/null/subsystem");
    EXPECT_EQ(listed(), Names{});
}

TEST_F(PortRulesTest, ALiveLockFileHidesThePortAndAStaleOneDoesNot) {
    Sleeper owner;
    write("/proc/" + std::to_string(owner.pid) + "/comm", "minicom\n");
    // The usual form: the pid in ASCII, right-aligned in ten columns.
    write("/var/lock/LCK.." + ptsNumber, "      " + std::to_string(owner.pid) + "\n");
    EXPECT_EQ(listed(), Names{});
    EXPECT_EQ(refusal(), "COM3 is in use by another program: minicom (process " +
                             std::to_string(owner.pid) + ").");
    owner.end(); // its lock file is left behind, stale
    EXPECT_EQ(listed(), Names{"COM3"});
    EXPECT_EQ(refusal(), std::nullopt);

    // The old binary form, under the other folder and the name with the sub-folder in it.
    Sleeper second;
    fs::remove(root + "/var/lock/LCK.." + ptsNumber);
    const std::int32_t pid = second.pid;
    write("/run/lock/LCK..pts_" + ptsNumber,
          std::string(reinterpret_cast<const char*>(&pid), sizeof pid));
    EXPECT_EQ(listed(), Names{});
    EXPECT_EQ(refusal(),
              "COM3 is in use by another program (process " + std::to_string(second.pid) + ").");

    // A lock file naming this very process is no other program's.
    write("/run/lock/LCK..pts_" + ptsNumber, std::to_string(getpid()) + "\n");
    EXPECT_EQ(listed(), Names{"COM3"});
}

TEST_F(PortRulesTest, ABinaryPidIsNeverReadAsText) {
    // 0D 31 00 00 is process 12557 in the binary form; read as text it would be a blank and "1",
    // process 1, which is always alive.
    const std::int32_t pid = 0x310D;
    if (kill(pid, 0) == 0)
        GTEST_SKIP() << "process 12557 exists on this machine just now";
    write("/var/lock/LCK.." + ptsNumber, std::string(reinterpret_cast<const char*>(&pid), 4));
    EXPECT_EQ(listed(), Names{"COM3"});
    EXPECT_EQ(refusal(), std::nullopt);
}

TEST_F(PortRulesTest, ALockFileThatIsALinkIsNotFollowed) {
    // /var/lock is writable by everybody: a link planted there must not lead anywhere.
    Sleeper owner;
    write("/proc/lockpid", std::to_string(owner.pid) + "\n");
    fs::create_symlink(root + "/proc/lockpid", root + "/var/lock/LCK.." + ptsNumber);
    EXPECT_EQ(listed(), Names{"COM3"});
}

TEST_F(PortRulesTest, ALockOnTheDeviceHidesThePortWhateverUserHoldsIt) {
    // A child takes an flock on the port. The fake /proc shows the kernel's real lock table but no
    // process folders, so only the lock can give the child away (as for another user's process).
    test::ForeignHolder holder(pty.slavePath(), "lock-holder", {.flock = true},
                               {pty.masterFd(), pty.slaveFd()});
    ASSERT_TRUE(holder.ready());
    std::ifstream locks("/proc/locks");
    write("/proc/locks", std::string(std::istreambuf_iterator<char>(locks), {}));
    EXPECT_EQ(listed(), Names{});
    EXPECT_EQ(refusal(),
              "COM3 is in use by another program (process " + std::to_string(holder.pid()) + ").");

    write("/proc/locks", "");
    EXPECT_EQ(listed(), Names{"COM3"});
}
