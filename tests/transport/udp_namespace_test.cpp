// Matrix search and network configuration over real UDP broadcasts, inside two network namespaces
// that the test makes and removes itself: the program's UDP code runs in one (this thread is moved
// into it), quorvane-sim --udp in the other, joined by a veth pair with a default route on each
// side so that 255.255.255.255 goes over it. No broadcast is ever sent from the machine's own
// namespace: the socket is created only after this thread has entered the test's namespace, and
// is gone before the thread leaves it. Skipped, with the reason, where namespaces cannot be made.
#include "RecordingDialogView.h"
#include "core/app/Dialogs.h"
#include "core/device/GeneralConnection.h"
#include "core/device/MatrixSearch.h"
#include "core/device/NetworkConfiguration.h"
#include "core/link/PageLink.h"
#include "platform/app/QtTimers.h"
#include "platform/link/MatrixSocket.h"
#include "platform/link/QtUdpLink.h"

#include "FakeSerialLink.h"
#include "TestNetwork.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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
    NetworkConfiguration configuration{search, udp, clock, configTimers, dialogs, configView};
};

// quorvane-sim --udp in the test network's matrix namespace; stopped when this goes.
class SimInNetwork {
public:
    SimInNetwork(const test::TestNetwork& network, const QStringList& arguments) {
        const QString simPath = qEnvironmentVariable("QUORVANE_SIM");
        if (simPath.isEmpty()) {
            error = "QUORVANE_SIM names no simulator";
            return;
        }
        process_.start(QStringLiteral("ip"),
                       QStringList{"netns", "exec", network.matrix, simPath} + arguments);
        if (!process_.waitForStarted(5000)) {
            error = "the simulator did not start";
            return;
        }
        if (!QTest::qWaitFor([&] { return process_.canReadLine(); }, 10000)) {
            error = "the simulator did not report ready: " +
                    process_.readAllStandardError().toStdString();
            return;
        }
        firstLine = QString::fromUtf8(process_.readLine());
    }
    ~SimInNetwork() { stop(); }
    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(2000);
    }
    std::string error;
    QString firstLine;

private:
    QProcess process_;
};

// The matrix answers by unicast to the sender, or by broadcast as a real one does: a program that
// listened on its interface's address instead of 0.0.0.0 would hear only the first.
TEST(UdpNamespaceTest, SearchFindsTheSimulatorAndAConfigurationMovesIt) {
    const struct {
        const char* what;
        QStringList extra;
    } rows[] = {
        {"unicast replies", {}},
        {"broadcast replies", {"--udp-broadcast-replies"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        test::TestNetwork network(QStringLiteral("qv"), 7);
        if (!network.ready)
            GTEST_SKIP() << network.reason;
        SimInNetwork sim(network,
                         QStringList{"--udp", "--mac", "02:51:56:00:00:07", "--ip", "10.231.7.2"} +
                             row.extra);
        ASSERT_TRUE(sim.error.empty()) << sim.error;
        EXPECT_TRUE(sim.firstLine.contains("udp=10.231.7.2 mac=025156000007"));

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
}

// A second host on the network (10.231.9.3) sends stray bytes during the search and, once the
// matrix is gone, replays the matrix's earlier acceptance and forges one from "another matrix of
// the same maker": the search still finds the matrix, and the configuration nobody answers ends
// with "configure failed!".
TEST(UdpNamespaceTest, StrayAndReplayedDatagramsFromASecondHostAreNotTaken) {
    test::TestNetwork network(QStringLiteral("qvs"), 9);
    if (!network.ready)
        GTEST_SKIP() << network.reason;
    ASSERT_TRUE(network.addMatrixAddress(QStringLiteral("10.231.9.3/24")));
    // The matrix answers 300 ms late, so the stray bytes are surely there before its answer.
    SimInNetwork sim(network, {"--udp", "--mac", "02:51:56:00:00:09", "--ip", "10.231.9.2",
                               "--udp-reply-delay", "300", "--log", "/dev/null"});
    ASSERT_TRUE(sim.error.empty()) << sim.error;

    // The second host's socket is made inside the matrix namespace, so whatever it sends (even a
    // broadcast) stays in the test's network.
    QUdpSocket stray;
    {
        InNamespace matrixSide(network.matrix);
        ASSERT_TRUE(matrixSide.entered);
        ASSERT_TRUE(stray.bind(QHostAddress(QStringLiteral("10.231.9.3")), 0));
    }
    const QHostAddress program(QStringLiteral("10.231.9.1"));
    const auto send = [&](const QByteArray& bytes, const QHostAddress& to, quint16 port) {
        ASSERT_EQ(stray.writeDatagram(bytes, to, port), bytes.size());
    };

    InNamespace inside(network.program);
    ASSERT_TRUE(inside.entered) << "could not enter the test's namespace";
    ProgramSide side;
    side.search.search();
    send(QByteArray(10, '\x42'), program, 30600);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !side.search.ips().empty(); }, 5000))
        << "the matrix's reply was lost";
    EXPECT_EQ(side.search.ips(), Texts{"10.231.9.2"});
    EXPECT_EQ(side.search.macs(), Texts{"025156000009"});

    ConfigForm form;
    form.staticIp = true;
    form.ip = {"10", "231", "9", "50"};
    form.mac = {"02", "51", "56", "00", "00", "09"};
    side.configuration.openDialog();
    ASSERT_TRUE(side.configuration.clickOk(form));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !side.configView.shown && side.configView.texts.size() > 1; }, 15000));
    ASSERT_EQ(side.configView.texts.at(1), "Matrix configuration completed successfully!");
    const auto first = side.configuration.packet();

    // The matrix goes; the next configuration gets nothing but the second host's datagrams.
    sim.stop();
    side.configView.texts.clear();
    form.ip = {"10", "231", "9", "60"};
    ASSERT_TRUE(side.configuration.clickOk(form));
    const auto second = side.configuration.packet();
    const auto accepted = [](auto packet) {
        packet[74] = 0x00;
        unsigned sum = 0;
        for (std::size_t i = 0; i < 75; ++i)
            sum += packet[i];
        packet[75] = static_cast<std::uint8_t>(sum & 0xFF);
        return QByteArray(reinterpret_cast<const char*>(packet.data()),
                          static_cast<qsizetype>(packet.size()));
    };
    QByteArray sameMaker = accepted(second);
    sameMaker[5] = '\x0A';
    send(accepted(first), program, 30601);                         // the earlier acceptance
    send(sameMaker, QHostAddress(QHostAddress::Broadcast), 30601); // another matrix's
    send(QByteArray(10, '\x00') + accepted(second).left(40), program, 30601); // pieces of a fake
    ASSERT_TRUE(QTest::qWaitFor([&] { return !side.configView.shown; }, 15000));
    EXPECT_EQ(side.configView.texts.front(), "Configuring . . .");
    EXPECT_EQ(side.configView.texts.back(), "configure failed!");
    EXPECT_EQ(std::count(side.configView.texts.begin(), side.configView.texts.end(),
                         "Matrix configuration completed successfully!"),
              0);
    side.udp.close();
}

} // namespace
