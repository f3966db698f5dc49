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
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace quorvane::test;

namespace {

// The search waits 5 s after its last answer; a fifth of that is plenty inside the test network.
const std::vector<std::pair<QString, QString>> ShortSearch{
    {QStringLiteral("QUORVANE_TIME_DIVISOR"), QStringLiteral("5")}};

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
    const CliRun run = runCli(runtime.path(), {"--json", "discover"}, ShortSearch,
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

TEST(DiscoverCli, NoAnswerIsStatus1WithAnEmptyList) {
    ASSERT_FALSE(cliExecutable().isEmpty()) << "QUORVANE_CLI names no program";
    TestNetwork network(QStringLiteral("qvc"), 8);
    if (!network.ready)
        GTEST_SKIP() << network.reason;
    QTemporaryDir runtime;
    const CliRun run = runCli(runtime.path(), {"--json", "discover"}, ShortSearch,
                              {"ip", "netns", "exec", network.program});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.json(), (QJsonObject{{"matrices", QJsonArray{}}}));
    EXPECT_TRUE(run.errorText.contains("0 matrices answered the search"))
        << run.errorText.toStdString();
    EXPECT_TRUE(run.errorText.contains("no matrix answered the search"))
        << run.errorText.toStdString();
}

// A host of the test network's matrix side that sends a valid discovery reply to the program's
// address every 100 ms, for 30 s at most, from a thread that has entered that namespace (so
// nothing it sends can leave the test's network).
class ChattyHost {
public:
    ChattyHost(const QString& ns, const char* from, const char* to)
        : thread_([this, path = "/var/run/netns/" + ns.toStdString(), from, to] {
              run(path, from, to);
          }) {}
    ~ChattyHost() {
        stop_ = true;
        thread_.join();
    }
    std::atomic<bool> started{false};
    std::atomic<bool> done{false};

private:
    void run(const std::string& path, const char* from, const char* to) {
        const int target = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat want {};
        struct stat now {};
        const bool inside =
            target >= 0 && ::setns(target, CLONE_NEWNET) == 0 && ::fstat(target, &want) == 0 &&
            ::stat("/proc/thread-self/ns/net", &now) == 0 && want.st_ino == now.st_ino;
        if (target >= 0)
            ::close(target);
        if (!inside) {
            done = true;
            return; // this thread never sends from any other namespace
        }
        const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in self{};
        self.sin_family = AF_INET;
        ::inet_pton(AF_INET, from, &self.sin_addr);
        sockaddr_in program{};
        program.sin_family = AF_INET;
        program.sin_port = htons(30600);
        ::inet_pton(AF_INET, to, &program.sin_addr);
        if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&self), sizeof self) == 0) {
            // MAC 02 51 56 00 00 0B, address 10.231.10.3, marker 77 88.
            std::uint8_t reply[55] = {0x02, 0x51, 0x56, 0x00, 0x00, 0x0B, 10, 231, 10, 3};
            reply[18] = 0x77;
            reply[19] = 0x88;
            started = true;
            for (int i = 0; i < 300 && !stop_; ++i) {
                ::sendto(s, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&program),
                         sizeof program);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        if (s >= 0)
            ::close(s);
        done = true;
    }

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// However many answers come, the search ends 10 s after its broadcast (2 s at a fifth of the
// time): the command ends while the host is still sending, and says how many answered.
TEST(DiscoverCli, AHostThatKeepsAnsweringCannotHoldTheSearchOpen) {
    ASSERT_FALSE(cliExecutable().isEmpty()) << "QUORVANE_CLI names no program";
    TestNetwork network(QStringLiteral("qvh"), 10);
    if (!network.ready)
        GTEST_SKIP() << network.reason;
    ASSERT_TRUE(network.addMatrixAddress(QStringLiteral("10.231.10.3/24")));
    ChattyHost host(network.matrix, "10.231.10.3", "10.231.10.1");
    QTemporaryDir runtime;
    const CliRun run = runCli(runtime.path(), {"--json", "discover"}, ShortSearch,
                              {"ip", "netns", "exec", network.program});
    EXPECT_TRUE(host.started);
    EXPECT_FALSE(host.done) << "the search lasted as long as the host kept answering";
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.errorText.toStdString();
    const QJsonArray found = run.json()["matrices"].toArray();
    ASSERT_FALSE(found.isEmpty());
    for (const auto& entry : found)
        EXPECT_EQ(entry.toObject(), (QJsonObject{{"ip", "10.231.10.3"}, {"mac", "02515600000B"}}));
    EXPECT_TRUE(
        run.errorText.contains(QStringLiteral("%1 matrices answered the search").arg(found.size())))
        << run.errorText.toStdString();
}

} // namespace
