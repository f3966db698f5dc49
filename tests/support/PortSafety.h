#pragma once
// Every test program keeps away from the machine's serial ports (every test main installs this):
// - before the first test, XDG_RUNTIME_DIR becomes a private temporary folder (so the ports folder
//   holds only what the tests put there), QUORVANE_NO_SYSTEM_PORTS=1 (for the processes the tests
//   start) and the built-in table of system devices is switched off;
// - around every test, a check fails the test when the built-in table is on, when the system root
//   is left pointing at a fake tree, or when the test left a descriptor open on a serial line that
//   is not a pseudo-terminal (a port of the machine).
// Plain POSIX and GoogleTest; usable by the test programs that link no Qt.

#include "serialports/PortNames.h"
#include "serialports/SystemRoot.h"
#include "serialports/TerminalFacts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quorvane::test {

// The device numbers of this process's open descriptors that are serial lines of the machine.
inline std::set<dev_t> openMachinePorts() {
    std::set<dev_t> found;
    DIR* fds = opendir("/proc/self/fd");
    if (fds == nullptr)
        return found;
    while (const dirent* entry = readdir(fds)) {
        struct stat st {};
        if (entry->d_name[0] == '.' || fstatat(dirfd(fds), entry->d_name, &st, 0) != 0)
            continue;
        if (S_ISCHR(st.st_mode) && !ports::isPseudoTerminal(st.st_rdev) &&
            ports::isSerialLine(st.st_rdev))
            found.insert(st.st_rdev);
    }
    closedir(fds);
    return found;
}

class NoSystemPortsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        char pattern[] = "/tmp/quorvane-tests-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
        // What the program remembers between runs stays in the test's own folder too.
        setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
        setenv("QUORVANE_NO_SYSTEM_PORTS", "1", 1);
        ports::setBuiltInTableEnabled(false);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

private:
    std::string folder_;
};

class SystemPortsCheck : public ::testing::EmptyTestEventListener {
public:
    // Ports the program was given when it started (its terminal may be a serial console).
    SystemPortsCheck() : inherited_(openMachinePorts()) {}

    void OnTestStart(const ::testing::TestInfo&) override { checkSwitches("before"); }
    void OnTestEnd(const ::testing::TestInfo&) override {
        checkSwitches("after");
        for (const dev_t device : openMachinePorts()) {
            EXPECT_TRUE(inherited_.count(device) != 0)
                << "the test left a port of the machine open (device " << major(device) << ":"
                << minor(device) << ")";
        }
    }

private:
    static void checkSwitches(const char* when) {
        // Both must hold: the variable (for the processes the tests start) and the switch (so
        // that a test that drops the variable for a moment still reaches no system port).
        const char* off = std::getenv("QUORVANE_NO_SYSTEM_PORTS");
        const bool variableSet = off != nullptr && std::strcmp(off, "1") == 0;
        EXPECT_TRUE(variableSet) << "QUORVANE_NO_SYSTEM_PORTS is not 1 " << when << " this test";
        unsetenv("QUORVANE_NO_SYSTEM_PORTS");
        EXPECT_FALSE(ports::builtInTableEnabled())
            << "the built-in table of system ports is switched on " << when << " this test";
        if (variableSet)
            setenv("QUORVANE_NO_SYSTEM_PORTS", "1", 1);
        EXPECT_EQ(ports::systemRoot(), "") << "the system root is left redirected " << when;
    }

    std::set<dev_t> inherited_;
};

// Call after ::testing::InitGoogleTest.
inline void installPortSafety() {
    ::testing::AddGlobalTestEnvironment(new NoSystemPortsEnvironment);
    ::testing::UnitTest::GetInstance()->listeners().Append(new SystemPortsCheck);
}

} // namespace quorvane::test
