// Other programs on a real pseudo-terminal registered as COM3: the port list leaves alone a port
// that another process holds, and opening for real refuses it, naming that program, without
// changing a setting of its line.
#include "ForeignHolder.h"
#include "PtyPair.h"
#include "core/device/PortProbe.h"
#include "platform/link/SerialPort.h"
#include "serialports/PortAccess.h"
#include "serialports/PortNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace quorvane;
using Names = std::vector<std::string>;

namespace {

// 3 s of the list's refresh, which runs every 500 ms.
constexpr int RefreshesIn3s = 6;

class PortHoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime.valid() && pty.valid());
        ASSERT_FALSE(ports::portsFolder().empty());
        ASSERT_EQ(symlink(pty.slavePath().c_str(), (runtime.portsFolder() + "/COM3").c_str()), 0);
    }

    Names listed() { return listOpenablePorts(probe); }
    // The line's settings and exclusive flag, read through the test's own slave descriptor.
    termios line() {
        termios settings{};
        tcgetattr(pty.slaveFd(), &settings);
        return settings;
    }
    int exclusiveFlag() {
        int flag = -1;
        ioctl(pty.slaveFd(), TIOCGEXCL, &flag);
        return flag;
    }
    static void expectSameLine(const termios& before, const termios& after) {
        EXPECT_EQ(after.c_iflag, before.c_iflag);
        EXPECT_EQ(after.c_oflag, before.c_oflag);
        EXPECT_EQ(after.c_cflag, before.c_cflag);
        EXPECT_EQ(after.c_lflag, before.c_lflag);
        EXPECT_EQ(cfgetispeed(&after), cfgetispeed(&before));
        EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
        for (int i = 0; i < NCCS; ++i)
            EXPECT_EQ(after.c_cc[i], before.c_cc[i]) << "control character " << i;
    }
    test::ForeignHolder::Hold noLock() { return {}; }

    test::PrivateRuntimeDir runtime;
    test::PtyPair pty;
    SystemPortProbe probe;
};

} // namespace

TEST_F(PortHoldersTest, AForeignHolderIsNotListedAndItsLineAndFlagStayAsItSetThem) {
    for (const bool exclusive : {false, true}) {
        SCOPED_TRACE(exclusive ? "with the exclusive flag" : "without the exclusive flag");
        // A terminal program: 9600 baud, canonical mode, no lock of any kind.
        test::ForeignHolder holder(pty.slavePath(), "holder-9600", {.exclusiveFlag = exclusive},
                                   {pty.masterFd(), pty.slaveFd()});
        ASSERT_TRUE(holder.ready());
        const termios before = line();
        ASSERT_EQ(cfgetospeed(&before), B9600);
        ASSERT_NE(before.c_lflag & ICANON, 0u);
        ASSERT_EQ(exclusiveFlag(), exclusive ? 1 : 0);

        for (int i = 0; i < 10 * RefreshesIn3s; ++i)
            ASSERT_EQ(listed(), Names{}) << "refresh " << i;
        expectSameLine(before, line());
        EXPECT_EQ(exclusiveFlag(), exclusive ? 1 : 0);

        holder.stop();
        EXPECT_EQ(listed(), Names{"COM3"});
        // The terminal keeps a flag its dead holder set (its master is still open); the next
        // round starts without it.
        ioctl(pty.slaveFd(), TIOCNXCL);
    }
}

TEST_F(PortHoldersTest, OtherProcessesAreLookedAtOnlyWhenThePortIsOpenedOrClosed) {
    EXPECT_EQ(listed(), Names{"COM3"});
    EXPECT_EQ(probe.holderLookups(), 1);
    for (int i = 0; i < 20; ++i)
        listed();
    EXPECT_EQ(probe.holderLookups(), 1);

    // Opened after the port was listed: the next refresh notices.
    test::ForeignHolder holder(pty.slavePath(), "late-holder", noLock(),
                               {pty.masterFd(), pty.slaveFd()});
    ASSERT_TRUE(holder.ready());
    EXPECT_EQ(listed(), Names{});
    EXPECT_EQ(listed(), Names{});
    EXPECT_EQ(probe.holderLookups(), 2);

    holder.stop();
    EXPECT_EQ(listed(), Names{"COM3"});
    EXPECT_EQ(probe.holderLookups(), 3);
}

TEST_F(PortHoldersTest, TheFarEndOfThePseudoTerminalIsNoRivalButAnotherTerminalsOwnerIs) {
    {
        // Holds the master of this very line and its slave, as the simulated matrix does.
        test::ForeignHolder farEnd(pty.slavePath(), "far-end", noLock());
        ASSERT_TRUE(farEnd.ready());
        EXPECT_EQ(listed(), Names{"COM3"});
    }
    {
        // Holds the master of another pseudo-terminal and this one's slave: a rival user.
        test::PtyPair other;
        ASSERT_TRUE(other.valid());
        test::ForeignHolder rival(pty.slavePath(), "rival", noLock(),
                                  {pty.masterFd(), pty.slaveFd(), other.slaveFd()});
        ASSERT_TRUE(rival.ready());
        EXPECT_EQ(listed(), Names{});
    }
}

TEST_F(PortHoldersTest, OpeningAHeldPortIsRefusedNamingTheProgramAndChangesNothing) {
    test::ForeignHolder holder(pty.slavePath(), "holder-9600", noLock(),
                               {pty.masterFd(), pty.slaveFd()});
    ASSERT_TRUE(holder.ready());
    const termios before = line();
    SerialPort port;
    EXPECT_FALSE(port.openPort(3, SerialSettings{}));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.openRefusal(), "COM3 is in use by another program: holder-9600 (process " +
                                      std::to_string(holder.pid()) + ").");
    expectSameLine(before, line());
    EXPECT_EQ(exclusiveFlag(), 0);

    holder.stop();
    EXPECT_TRUE(port.openPort(3, SerialSettings{}));
    EXPECT_EQ(port.openRefusal(), "");
}

TEST_F(PortHoldersTest, AnotherProgramsExclusiveFlagIsRefusedAndNeverCleared) {
    // A program set the flag and died; the terminal keeps the flag while its master is open.
    {
        test::ForeignHolder holder(pty.slavePath(), "exclusive", {.exclusiveFlag = true},
                                   {pty.masterFd(), pty.slaveFd()});
        ASSERT_TRUE(holder.ready());
    }
    ASSERT_EQ(exclusiveFlag(), 1);
    const termios before = line();
    SerialPort port;
    EXPECT_FALSE(port.openPort(3, SerialSettings{}));
    EXPECT_EQ(port.openRefusal(), "COM3 is held exclusively by another program.");
    EXPECT_EQ(exclusiveFlag(), 1);
    expectSameLine(before, line());

    // Without it, the port opens and holds the flag itself, and clears only that on closing.
    ioctl(pty.slaveFd(), TIOCNXCL);
    ASSERT_TRUE(port.openPort(3, SerialSettings{}));
    EXPECT_EQ(exclusiveFlag(), 1);
    port.signalClose();
    EXPECT_EQ(exclusiveFlag(), 0);
}

// A port this user may not open is listed all the same, and opening it says which group to join.
// Root may open anything, so as root the check runs in a child that has become "nobody".
TEST_F(PortHoldersTest, APortTheUserMayNotOpenIsListedAndSaysWhichGroupToJoin) {
    // The slave's group is the system's choice (tty on most machines, mount options decide).
    struct stat node {};
    ASSERT_EQ(stat(pty.slavePath().c_str(), &node), 0);
    const group* owner = getgrgid(node.st_gid);
    ASSERT_NE(owner, nullptr);
    const std::string groupName = owner->gr_name;
    const std::string expected = "COM3 (" + pty.slavePath() +
                                 ") may not be opened by you: it belongs to the group " +
                                 groupName + ".";
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(pty.slavePath().c_str(), 0), 0);
        EXPECT_EQ(listed(), Names{"COM3"});
        SerialPort port;
        EXPECT_FALSE(port.openPort(3, SerialSettings{}));
        EXPECT_EQ(port.openRefusal().rfind(expected, 0), 0u) << port.openRefusal();
        EXPECT_NE(port.openRefusal().find("\"sudo adduser "), std::string::npos);
        chmod(pty.slavePath().c_str(), 0620);
        return;
    }
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(out[0]);
        std::string text = "cannot become nobody";
        if (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0) {
            const auto device = ports::deviceNode(pty.slavePath());
            const auto refusal = device ? ports::refusalBeforeOpen(*device, "COM3") : std::nullopt;
            text = refusal ? *refusal : "no refusal";
        }
        [[maybe_unused]] const auto written = write(out[1], text.data(), text.size());
        _exit(0);
    }
    close(out[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(text, expected + " Add yourself with \"sudo adduser nobody " + groupName +
                        "\", then log out and in again.");
}
