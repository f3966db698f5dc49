// quorvane-cli discover over real UDP broadcasts, only inside two network namespaces that the test
// makes and removes itself: quorvane-cli runs in one (ip netns exec), quorvane-sim --udp in the
// other, joined by a veth pair with a default route on each side so that 255.255.255.255 goes
// over it. Nothing is ever broadcast from the machine's own namespace. Skipped, with the reason,
// where namespaces cannot be made.
#include "CliProcess.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

using namespace quorvane::test;

namespace {

bool ip(const QStringList& arguments, QString* error = nullptr) {
    QProcess process;
    process.start(QStringLiteral("ip"), arguments);
    if (!process.waitForFinished(10000))
        return false;
    if (error)
        *error = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Two namespaces, "program" (10.231.8.1) and "matrix" (10.231.8.2), joined by a veth pair.
class TestNetwork {
public:
    TestNetwork() {
        const QString id = QString::number(::getpid());
        program = QStringLiteral("qvcliprog") + id;
        matrix = QStringLiteral("qvclisim") + id;
        const QString left = QStringLiteral("qvcp") + id;
        const QString right = QStringLiteral("qvcs") + id;
        if (::geteuid() != 0) {
            reason = "making network namespaces needs root";
            return;
        }
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty()) {
            reason = "the ip command (iproute2) is not installed";
            return;
        }
        QString error;
        if (!ip({"netns", "add", program}, &error)) {
            reason = "this machine does not allow network namespaces: " + error.toStdString();
            return;
        }
        made_ = true;
        const std::vector<QStringList> steps = {
            {"netns", "add", matrix},
            {"link", "add", left, "netns", program, "type", "veth", "peer", "name", right, "netns",
             matrix},
            {"-n", program, "addr", "add", "10.231.8.1/24", "dev", left},
            {"-n", matrix, "addr", "add", "10.231.8.2/24", "dev", right},
            {"-n", program, "link", "set", "lo", "up"},
            {"-n", matrix, "link", "set", "lo", "up"},
            {"-n", program, "link", "set", left, "up"},
            {"-n", matrix, "link", "set", right, "up"},
            {"-n", program, "route", "add", "default", "via", "10.231.8.2", "dev", left},
            {"-n", matrix, "route", "add", "default", "via", "10.231.8.1", "dev", right},
        };
        for (const QStringList& step : steps) {
            if (!ip(step, &error)) {
                reason = "setting up the test network failed (ip " +
                         step.join(QLatin1Char(' ')).toStdString() + "): " + error.toStdString();
                return;
            }
        }
        ready = true;
    }
    ~TestNetwork() {
        if (made_) {
            ip({"netns", "del", program}); // the veth pair goes with it
            ip({"netns", "del", matrix});
        }
    }

    QString program;
    QString matrix;
    bool ready = false;
    std::string reason;

private:
    bool made_ = false;
};

// The search waits 5 s after its last answer; a fifth of that is plenty inside the test network.
const std::vector<std::pair<QString, QString>> ShortSearch{
    {QStringLiteral("QUORVANE_TIME_DIVISOR"), QStringLiteral("5")}};

TEST(DiscoverCli, FindsTheSimulatedMatrixInsideTheTestNetwork) {
    const QString simPath = qEnvironmentVariable("QUORVANE_SIM");
    ASSERT_FALSE(simPath.isEmpty()) << "QUORVANE_SIM names no simulator";
    ASSERT_FALSE(cliExecutable().isEmpty()) << "QUORVANE_CLI names no program";
    TestNetwork network;
    if (!network.ready)
        GTEST_SKIP() << network.reason;

    QProcess sim;
    sim.start(QStringLiteral("ip"),
              {"netns", "exec", network.matrix, simPath, "--udp", "--mac", "02:51:56:00:00:0A",
               "--ip", "10.231.8.2", "--log", "/dev/null"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(10000)) << "the simulator did not report ready";

    QTemporaryDir runtime;
    const CliRun run = runCli(runtime.path(), {"--json", "discover"}, ShortSearch,
                              {"ip", "netns", "exec", network.program});
    sim.terminate();
    sim.waitForFinished(5000);
    ASSERT_EQ(run.exitCode, 0) << run.errorText.toStdString();
    const QJsonObject expected{
        {"matrices", QJsonArray{QJsonObject{{"ip", "10.231.8.2"}, {"mac", "02515600000A"}}}}};
    EXPECT_EQ(run.json(), expected) << run.output.toStdString();
}

TEST(DiscoverCli, NoAnswerIsStatus1WithAnEmptyList) {
    ASSERT_FALSE(cliExecutable().isEmpty()) << "QUORVANE_CLI names no program";
    TestNetwork network;
    if (!network.ready)
        GTEST_SKIP() << network.reason;
    QTemporaryDir runtime;
    const CliRun run = runCli(runtime.path(), {"--json", "discover"}, ShortSearch,
                              {"ip", "netns", "exec", network.program});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.json(), (QJsonObject{{"matrices", QJsonArray{}}}));
    EXPECT_TRUE(run.errorText.contains("no matrix answered the search"))
        << run.errorText.toStdString();
}

} // namespace
