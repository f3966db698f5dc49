// Matrix search and network configuration over real UDP broadcasts, inside two network namespaces
// that the test makes and removes itself: the program's UDP code runs in one (this thread is moved
// into it), quorvane-sim --udp in the other, joined by a veth pair with a default route on each
// side so that 255.255.255.255 goes over it. No broadcast is ever sent from the machine's own
// namespace: the socket is created only after this thread has entered the test's namespace, and
// is gone before the thread leaves it. Skipped, with the reason, where namespaces cannot be made.
#include "RecordingDialogView.h"
#include "app/Dialogs.h"
#include "app/QtTimers.h"
#include "device/GeneralConnection.h"
#include "device/MatrixSearch.h"
#include "device/NetworkConfiguration.h"
#include "link/MatrixSocket.h"
#include "link/PageLink.h"
#include "link/QtUdpLink.h"

#include "FakeSerialLink.h"
#include "TestNetwork.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

using Texts = std::vector<std::string>;

// Moves this thread into a named namespace for its lifetime, and back.
class InNamespace {
public:
    explicit InNamespace(const QString& name) {
        home_ = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        const int target =
            ::open(("/var/run/netns/" + name.toStdString()).c_str(), O_RDONLY | O_CLOEXEC);
        if (home_ >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0) {
            struct stat want {};
            struct stat now {};
            entered = ::fstat(target, &want) == 0 &&
                      ::stat("/proc/thread-self/ns/net", &now) == 0 && want.st_ino == now.st_ino;
        }
        if (target >= 0)
            ::close(target);
    }
    ~InNamespace() {
        if (home_ >= 0) {
            if (::setns(home_, CLONE_NEWNET) != 0)
                std::abort(); // never go on in the wrong namespace
            ::close(home_);
        }
    }
    bool entered = false;

private:
    int home_ = -1;
};

struct NoConnectionView : ConnectionView {
    void render(const ConnectionScreen&) override {}
};
struct NoPorts : PortProbe {
    bool canOpen(int) override { return false; }
};
struct RecordingConfigView : ConfigurationView {
    void showDialog(const ConfigForm&) override {}
    void hideDialog() override {}
    void showConfiguring(const std::string& text) override {
        shown = true;
        texts.push_back(text);
    }
    void closeConfiguring() override { shown = false; }
    bool shown = false;
    Texts texts;
};

// The program's side: the search and the configuration on real UDP and real timers.
struct ProgramSide {
    ProgramSide() {
        pageTimers.setHandler([this](int id) {
            if (!connection.onTimer(id))
                search.onTimer(id);
        });
        configTimers.setHandler([this](int id) { configuration.onTimer(id); });
        search.setFoundListener([this] { configuration.onMatrixFound(); });
        connection.create();
        connection.chooseTcpMode();
    }
    LinkState state;
    test::RecordingDialogView view;
    Dialogs dialogs{state, view};
    QtClock clock;
    QtTimers pageTimers;
    QtTimers configTimers;
    FakeSerialLink serial;
    MatrixSocket socket;
    PageLink link{state, serial, socket, clock, PageLink::Rules{}};
    NoConnectionView connectionView;
    NoPorts probe;
    GeneralConnection connection{link, pageTimers, dialogs, probe, connectionView};
    QtUdpLink udp;
    MatrixSearch search{connection, link, udp, pageTimers, dialogs};
    RecordingConfigView configView;
    NetworkConfiguration configuration{search, udp, state, configTimers, dialogs, configView};
};

TEST(UdpNamespaceTest, SearchFindsTheSimulatorAndAConfigurationMovesIt) {
    const QString simPath = qEnvironmentVariable("QUORVANE_SIM");
    ASSERT_FALSE(simPath.isEmpty()) << "QUORVANE_SIM names no simulator";
    test::TestNetwork network(QStringLiteral("qv"), 7);
    if (!network.ready)
        GTEST_SKIP() << network.reason;

    QProcess sim;
    sim.start(QStringLiteral("ip"), {"netns", "exec", network.matrix, simPath, "--udp", "--mac",
                                     "02:51:56:00:00:07", "--ip", "10.231.7.2"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.canReadLine(); }, 10000))
        << sim.readAllStandardError().toStdString();
    EXPECT_TRUE(sim.readLine().contains("udp=10.231.7.2 mac=025156000007"));

    {
        InNamespace inside(network.program);
        ASSERT_TRUE(inside.entered) << "could not enter the test's namespace";
        ProgramSide program;
        program.search.search();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !program.search.ips().empty(); }, 5000))
            << "no answer to the search";
        EXPECT_EQ(program.search.ips(), Texts{"10.231.7.2"});
        EXPECT_EQ(program.search.macs(), Texts{"025156000007"});
        EXPECT_EQ(program.state.matrixIp, "10.231.7.2");

        program.configuration.openDialog();
        ConfigForm form;
        form.staticIp = true;
        form.ip = {"10", "231", "7", "50"};
        form.mac = {"00", "1A", "2B", "3C", "4D", "5E"};
        ASSERT_TRUE(program.configuration.clickOk(form));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !program.configView.shown && program.configView.texts.size() > 1; },
            15000));
        EXPECT_EQ(program.configView.texts.at(1), "Matrix configuration completed successfully!");
        EXPECT_EQ(program.configView.texts.back(), "Searching Matrix IP . . .");
        EXPECT_EQ(program.search.ips(), Texts{"10.231.7.50"});
        EXPECT_EQ(program.search.macs(), Texts{"001A2B3C4D5E"});
        program.udp.close();
    }

    sim.terminate();
    if (!sim.waitForFinished(5000))
        sim.kill();
    sim.waitForFinished(2000);
}

} // namespace
