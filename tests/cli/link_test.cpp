// quorvane-cli when the link cannot be had (exit status 3, with the reason: no such port, no
// permission with the group to join, held by another program named, connection refused), and the
// ports command's list with the reason for each port it does not list.
#include "cli_fixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <grp.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorvane::test;

namespace {

QJsonObject portEntry(const CliRun& run, const QString& name) {
    for (const QJsonValue& entry : run.json()["ports"].toArray()) {
        if (entry.toObject()["name"].toString() == name)
            return entry.toObject();
    }
    return {};
}

TEST(LinkCli, ANameThatLeadsNowhereIsStatus3AndSaysWhy) {
    QTemporaryDir runtime;
    const CliRun run = runCli(runtime.path(), {"--com", "7", "status"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.errorText.contains("COM7 leads to no serial device: there is no link COM7 in "))
        << run.errorText.toStdString();
    EXPECT_TRUE(run.errorText.contains("the built-in table is off"));
    EXPECT_TRUE(run.output.isEmpty());
}

TEST(LinkCli, ARefusedConnectionIsStatus3) {
    QTemporaryDir runtime;
    // Nothing listens on this loopback address.
    const CliRun run = runCli(runtime.path(), {"--tcp", "127.0.24.9", "--json", "info"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.errorText.contains("connection refused by 127.0.24.9:8000"))
        << run.errorText.toStdString();
    EXPECT_TRUE(run.output.isEmpty());
}

TEST(LinkCli, APortHeldByAnotherProgramIsStatus3AndNamesIt) {
    SimProcess sim({"--com", "1", "--tcp", "127.0.24.1"});
    ASSERT_TRUE(sim.ready()) << sim.errorText().toStdString();
    // Another program opens the simulator's line: `sleep` with the port as its standard input.
    QProcess holder;
    holder.setStandardInputFile(sim.ptyDevice());
    holder.start(QStringLiteral("sleep"), {"30"});
    ASSERT_TRUE(holder.waitForStarted(5000));
    const QString expected =
        QStringLiteral("COM1 is in use by another program: sleep (process %1).")
            .arg(holder.processId());

    const CliRun run = runCli(sim.runtimeDir(), {"--com", "1", "status"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.errorText.contains(expected)) << run.errorText.toStdString();

    const CliRun ports = runCli(sim.runtimeDir(), {"--json", "ports"});
    ASSERT_EQ(ports.exitCode, 0) << ports.errorText.toStdString();
    const QJsonObject com1 = portEntry(ports, "COM1");
    EXPECT_FALSE(com1["listed"].toBool());
    EXPECT_EQ(com1["device"].toString(), sim.ptyDevice());
    EXPECT_EQ(com1["reason"].toString(), expected);

    holder.kill();
    holder.waitForFinished(5000);
    const CliRun free = runCli(sim.runtimeDir(), {"--json", "ports"});
    EXPECT_EQ(portEntry(free, "COM1"), (QJsonObject{{"name", "COM1"},
                                                    {"device", sim.ptyDevice()},
                                                    {"description", "pseudo-terminal"},
                                                    {"listed", true},
                                                    {"reason", QJsonValue()}}));
    EXPECT_EQ(runCli(sim.runtimeDir(), {"--com", "1", "status"}).exitCode, 0);
}

TEST(LinkCli, PortsSaysWhyALinkToSomethingElseIsNotListed) {
    QTemporaryDir runtime;
    const QString folder = runtime.path() + QStringLiteral("/quorvane/ports");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(runtime.path() + QStringLiteral("/quorvane"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), folder + QStringLiteral("/COM5")));
    const CliRun run = runCli(runtime.path(), {"--json", "ports"});
    ASSERT_EQ(run.exitCode, 0) << run.errorText.toStdString();
    EXPECT_EQ(run.json()["ports"].toArray().size(), 1) << run.output.toStdString();
    const QJsonObject com5 = portEntry(run, "COM5");
    EXPECT_FALSE(com5["listed"].toBool());
    EXPECT_TRUE(com5["device"].isNull());
    EXPECT_TRUE(com5["reason"].toString().contains("does not lead to a terminal device"))
        << com5["reason"].toString().toStdString();
}

TEST(LinkCli, APortThisUserMayNotOpenNamesTheGroupAndTheCommand) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root may open every device; the test runs again as an ordinary user";
    int master = -1;
    int slave = -1;
    char name[64] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ::close(slave);
    ASSERT_EQ(chmod(name, 0), 0);
    QTemporaryDir runtime;
    const QString folder = runtime.path() + QStringLiteral("/quorvane/ports");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(runtime.path() + QStringLiteral("/quorvane"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(name), folder + QStringLiteral("/COM2")));

    const CliRun run = runCli(runtime.path(), {"--com", "2", "route", "A", "1"});
    EXPECT_EQ(run.exitCode, 3);
    // A pseudo-terminal belongs to the group tty where devpts is mounted with its gid.
    struct stat info {};
    ASSERT_EQ(stat(name, &info), 0);
    const group* owner = getgrgid(info.st_gid);
    ASSERT_NE(owner, nullptr);
    const QString groupName = QString::fromLocal8Bit(owner->gr_name);
    EXPECT_TRUE(run.errorText.contains(
        QStringLiteral("COM2 (%1) may not be opened by you: it belongs to the group %2. Add "
                       "yourself with \"sudo adduser ")
            .arg(QString::fromLocal8Bit(name), groupName)))
        << run.errorText.toStdString();
    EXPECT_TRUE(run.errorText.contains(" " + groupName + "\", then log out and in again."));
    // The port list shows it all the same, with the same advice.
    const CliRun ports = runCli(runtime.path(), {"--json", "ports"});
    const QJsonObject com2 = portEntry(ports, "COM2");
    EXPECT_TRUE(com2["listed"].toBool());
    EXPECT_TRUE(com2["reason"].toString().contains("it belongs to the group " + groupName));
    ::close(master);
}

} // namespace
