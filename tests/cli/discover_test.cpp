// quorvane-cli discover over real UDP broadcasts, only inside two network namespaces that the test
// makes and removes itself: quorvane-cli runs in one (ip netns exec), quorvane-sim --udp in the
// other, joined by a veth pair with a default route on each side so that 255.255.255.255 goes
// over it. Nothing is ever broadcast from the machine's own namespace. Skipped, with the reason,
// where namespaces cannot be made.
#include "CliProcess.h"
#include "TestNetwork.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvane::test;

namespace {

TEST(DiscoverCli, FindsTheSimulatedMatrixInsideTheTestNetwork) {
    const QString simPath = qEnvironmentVariable("QUORVANE_SIM");
    ASSERT_FALSE(simPath.isEmpty()) << "QUORVANE_SIM names no simulator";
    ASSERT_FALSE(cliExecutable().isEmpty()) << "QUORVANE_CLI names no program";
    TestNetwork network(QStringLiteral("qvc"), 8);
    if (!network.ready)
        GTEST_SKIP() << network.reason;

    QProcess sim;
    sim.start(QStringLiteral("ip"),
              {"netns", "exec", network.matrix, simPath, "--udp", "--mac", "02:51:56:00:00:0A",
               "--ip", "10.231.8.2", "--log", "/dev/null"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(10000)) << "the simulator did not report ready";

    QTemporaryDir runtime;
    const CliRun run = runCli(runtime.path(), {"--json", "discover"}, {},
                              {"ip", "netns", "exec", network.program});
    sim.terminate();
    sim.waitForFinished(5000);
    ASSERT_EQ(run.exitCode, 0) << run.errorText.toStdString();
    const QJsonObject expected{
        {"matrices", QJsonArray{QJsonObject{{"ip", "10.231.8.2"}, {"mac", "02515600000A"}}}}};
    EXPECT_EQ(run.json(), expected) << run.output.toStdString();
    EXPECT_TRUE(run.errorText.contains("1 matrix answered the search"))
        << run.errorText.toStdString();
}

// How long the search waits (5 s after the last answer, 10 s at most however many come, no
// answer at all) is checked in process on virtual time: outcome_table_test.cpp.

} // namespace
