#pragma once
// A quorvane-sim process and quorvane-cli runs against it, over the simulator's pseudo-terminal
// (COM1 in a private ports folder) or over TCP on a loopback address of the test's own.

#include "CliProcess.h"
#include "SimProcess.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace quorvane::test {

enum class Link { Com, Tcp };

inline const char* linkName(const ::testing::TestParamInfo<Link>& info) {
    return info.param == Link::Com ? "Com" : "Tcp";
}

class CliTest : public ::testing::TestWithParam<Link> {
protected:
    // Starts the simulator with COM1 and TCP on `address`, plus `options`.
    void startSim(const QString& address, const QStringList& options = {}) {
        sim = std::make_unique<SimProcess>(QStringList{"--com", "1", "--tcp", address} + options);
        ASSERT_TRUE(sim->ready()) << sim->errorText().toStdString();
        ASSERT_FALSE(cliExecutable().isEmpty()) << "QUORVANE_CLI names no program";
    }
    // The link options for the test's parameter.
    QStringList linkOptions() const {
        return GetParam() == Link::Com ? QStringList{"--com", "1"}
                                       : QStringList{"--tcp", sim->tcpAddress()};
    }
    CliRun cli(const QStringList& arguments,
               const std::vector<std::pair<QString, QString>>& environment = {}) {
        return runCli(sim->runtimeDir(), linkOptions() + arguments, environment);
    }
    void TearDown() override { sim.reset(); }

    std::unique_ptr<SimProcess> sim;
};

} // namespace quorvane::test
