// COM<n> names: the private ports folder, lookup through links, and registrations by a process.
#include "PtyPair.h"
#include "serialports/PortNames.h"
#include "sim/ports/PortRegistration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvane;
namespace fs = std::filesystem;

namespace {

unsigned modeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0xFFFFu;
}

std::optional<std::string> linkTarget(const std::string& path) {
    std::error_code error;
    auto target = fs::read_symlink(path, error);
    if (error)
        return std::nullopt;
    return target.string();
}

class PortNamesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(runtime_.valid() && pty_.valid()); }
    void TearDown() override {
        setenv("QUORVANE_NO_SYSTEM_PORTS", "1", 1);
        ports::setBuiltInTableEnabled(false);
    }
    std::string folder() const { return runtime_.portsFolder(); }
    void makeLink(const std::string& name, const std::string& target) {
        ASSERT_EQ(ports::portsFolder(), folder());
        ASSERT_EQ(symlink(target.c_str(), (folder() + "/" + name).c_str()), 0);
    }

    test::PrivateRuntimeDir runtime_;
    test::PtyPair pty_;
    const std::string& slave_ = pty_.slavePath();
};

TEST_F(PortNamesTest, FolderIsCreatedPrivateUnderTheRuntimeDirectory) {
    EXPECT_EQ(ports::portsFolder(), folder());
    EXPECT_EQ(modeOf(runtime_.path() + "/quorvane"), 0700u);
    EXPECT_EQ(modeOf(folder()), 0700u);
}

TEST_F(PortNamesTest, FolderOthersCanWriteIsRefusedAndItsLinksIgnored) {
    makeLink("COM3", slave_);
    ASSERT_EQ(chmod(folder().c_str(), 0777), 0);
    EXPECT_EQ(ports::portsFolder(), "");
    EXPECT_EQ(ports::resolvePort(3), std::nullopt);
    std::string error;
    EXPECT_EQ(ports::PortRegistration::create(4, slave_, error), nullptr);
    EXPECT_FALSE(error.empty());

    // A ports folder that is a link to a folder elsewhere is not trusted either.
    fs::remove_all(folder());
    ASSERT_EQ(mkdir((runtime_.path() + "/elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(symlink((runtime_.path() + "/elsewhere").c_str(), folder().c_str()), 0);
    EXPECT_EQ(ports::portsFolder(), "");
}

TEST_F(PortNamesTest, WithoutAnAbsoluteRuntimeDirectoryAPerUserTmpFolderIsUsed) {
    const std::string expected = "/tmp/quorvane-" + std::to_string(geteuid()) + "/ports";
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(ports::portsFolder(), expected);
    setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
    EXPECT_EQ(ports::portsFolder(), expected);
    EXPECT_EQ(modeOf(expected), 0700u);
    EXPECT_EQ(modeOf("/tmp/quorvane-" + std::to_string(geteuid())), 0700u);
}

TEST_F(PortNamesTest, LinkToATerminalResolvesAndEverythingElseDoesNot) {
    const std::string plainFile = runtime_.path() + "/plain";
    std::ofstream(plainFile) << "not a device";
    makeLink("COM3", slave_);
    makeLink("COM4", plainFile);
    makeLink("COM5", "/dev/null"); // a character device, but no terminal
    makeLink("COM6", runtime_.path() + "/missing");
    std::ofstream(folder() + "/COM8") << "a file, not a link";

    EXPECT_EQ(ports::resolvePort(3), slave_);
    EXPECT_EQ(ports::resolvePort(4), std::nullopt);
    EXPECT_EQ(ports::resolvePort(5), std::nullopt);
    EXPECT_EQ(ports::resolvePort(6), std::nullopt);
    EXPECT_EQ(ports::resolvePort(7), std::nullopt); // no link at all
    EXPECT_EQ(ports::resolvePort(8), std::nullopt);
    EXPECT_EQ(ports::resolvePort(0), std::nullopt);
    EXPECT_EQ(ports::resolvePort(20), std::nullopt);
}

TEST_F(PortNamesTest, BuiltInTableMapsUsbAdaptersFirstAndCanBeSwitchedOff) {
    EXPECT_EQ(ports::builtInDevicePath(1), "/dev/ttyUSB0");
    EXPECT_EQ(ports::builtInDevicePath(7), "/dev/ttyACM0");
    EXPECT_EQ(ports::builtInDevicePath(19), "/dev/ttyS8");

    EXPECT_FALSE(ports::builtInTableEnabled());
    for (int n = ports::FirstPortNumber; n <= ports::LastPortNumber; ++n)
        EXPECT_EQ(ports::resolvePort(n), std::nullopt) << n;
    // The switch and the environment variable each turn it off; nothing is resolved meanwhile.
    unsetenv("QUORVANE_NO_SYSTEM_PORTS");
    EXPECT_FALSE(ports::builtInTableEnabled());
    ports::setBuiltInTableEnabled(true);
    EXPECT_TRUE(ports::builtInTableEnabled());
    setenv("QUORVANE_NO_SYSTEM_PORTS", "1", 1);
    EXPECT_FALSE(ports::builtInTableEnabled());
}

TEST(PortName, ParsesOnlyComOneToNineteen) {
    EXPECT_EQ(ports::portName(7), "COM7");
    EXPECT_EQ(ports::parsePortNumber("COM1"), 1);
    EXPECT_EQ(ports::parsePortNumber("COM19"), 19);
    for (const char* bad : {"COM0", "COM20", "COM01", "COM", "", "COM1x", "TTY5", "com5"})
        EXPECT_EQ(ports::parsePortNumber(bad), std::nullopt) << bad;
}

TEST_F(PortNamesTest, RegistrationLinksTheDeviceAndCleansUp) {
    std::string error;
    auto registration = ports::PortRegistration::create(2, slave_, error);
    ASSERT_NE(registration, nullptr) << error;
    EXPECT_EQ(registration->number(), 2);
    EXPECT_EQ(registration->linkPath(), folder() + "/COM2");
    EXPECT_EQ(linkTarget(folder() + "/COM2"), slave_);
    EXPECT_EQ(ports::resolvePort(2), slave_);

    // A second owner of the same name is refused while the first lives; the link stays.
    EXPECT_EQ(ports::PortRegistration::create(2, "/dev/null", error), nullptr);
    EXPECT_NE(error.find("COM2"), std::string::npos) << error;
    EXPECT_EQ(linkTarget(folder() + "/COM2"), slave_);

    registration.reset();
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder() + "/COM2")));
    EXPECT_FALSE(fs::exists(folder() + "/COM2.lock"));
    EXPECT_EQ(ports::resolvePort(2), std::nullopt);
}

TEST_F(PortNamesTest, RegistrationRejectsBadNumbersAndRelativePaths) {
    for (const auto& [n, path] : {std::pair{0, slave_}, {20, slave_}, {3, "pts/1"}}) {
        std::string error;
        EXPECT_EQ(ports::PortRegistration::create(n, path, error), nullptr) << n << path;
        EXPECT_FALSE(error.empty());
    }
}

TEST_F(PortNamesTest, LinkOfALiveProcessIsRefusedAndOfAKilledOneReplaced) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The owner registers COM9, says so, and waits to be killed: its destructor never runs.
        std::string childError;
        auto held = ports::PortRegistration::create(9, "/dev/tty", childError);
        const char status = held ? 'y' : 'n';
        (void)!write(ready[1], &status, 1);
        for (;;)
            pause();
    }
    // Whatever the outcome, the owner does not outlive the test.
    struct Reaper {
        pid_t pid;
        ~Reaper() {
            if (pid > 0) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
    } reaper{child};
    close(ready[1]);
    char status = 0;
    ASSERT_EQ(read(ready[0], &status, 1), 1);
    close(ready[0]);
    ASSERT_EQ(status, 'y');

    std::string error;
    EXPECT_EQ(ports::PortRegistration::create(9, slave_, error), nullptr);
    EXPECT_EQ(linkTarget(folder() + "/COM9"), "/dev/tty");

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    reaper.pid = 0;
    EXPECT_EQ(linkTarget(folder() + "/COM9"), "/dev/tty"); // left behind, now stale

    auto registration = ports::PortRegistration::create(9, slave_, error);
    ASSERT_NE(registration, nullptr) << error;
    EXPECT_EQ(linkTarget(folder() + "/COM9"), slave_);
}

} // namespace
