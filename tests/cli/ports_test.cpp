// quorvane-cli ports says what each port is beside its device path, and --port PATH reaches the
// simulator's pseudo-terminal by its path or by a link to it (as /dev/serial/by-id/ holds), with
// the same refusals as a COM name. Only the simulator's pseudo-terminal is ever opened.
#include "cli_fixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using namespace quorvane::test;

namespace {

class PortsCli : public ::testing::Test {
protected:
    void SetUp() override {
        sim = std::make_unique<SimProcess>(QStringList{"--com", "1", "--tcp", "127.0.26.1"});
        ASSERT_TRUE(sim->ready()) << sim->errorText().toStdString();
        ASSERT_FALSE(cliExecutable().isEmpty()) << "QUORVANE_CLI names no program";
        ASSERT_TRUE(elsewhere.isValid());
        // A stable name for the line, as udev makes them in /dev/serial/by-id/.
        byId = elsewhere.path() + QStringLiteral("/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        ASSERT_TRUE(QFile::link(sim->ptyDevice(), byId));
    }
    std::unique_ptr<SimProcess> sim;
    QTemporaryDir elsewhere; // holds the by-id link; as a runtime folder, one without ports
    QString byId;
};

TEST_F(PortsCli, PortsPrintsWhatEachPortIsWithItsDevicePath) {
    const CliRun text = runCli(sim->runtimeDir(), {"ports"});
    ASSERT_EQ(text.exitCode, 0) << text.errorText.toStdString();
    EXPECT_EQ(text.output, "COM1 " + sim->ptyDevice() + " (pseudo-terminal) listed\n");

    const CliRun json = runCli(sim->runtimeDir(), {"--json", "ports"});
    ASSERT_EQ(json.exitCode, 0) << json.errorText.toStdString();
    EXPECT_EQ(json.json(), (QJsonObject{{"ports", QJsonArray{QJsonObject{
                                                      {"name", "COM1"},
                                                      {"device", sim->ptyDevice()},
                                                      {"description", "pseudo-terminal"},
                                                      {"listed", true},
                                                      {"reason", QJsonValue()},
                                                  }}}}));
}

// --port by the device's path or a link to it, with or without a COM name already leading there:
// the route is set on the matrix, which the next status read over COM1 confirms.
TEST_F(PortsCli, PortReachesTheMatrixByPathOrStableLink) {
    struct Row {
        const char* what;
        QString runtime;
        QString path;
        const char* output;
        int input;
    };
    const std::vector<Row> rows = {
        {"device path, COM1 already leads there", sim->runtimeDir(), sim->ptyDevice(), "A", 4},
        {"by-id link, COM1 already leads there", sim->runtimeDir(), byId, "B", 6},
        {"device path, no COM name yet", elsewhere.path(), sim->ptyDevice(), "C", 8},
        {"by-id link, no COM name yet", elsewhere.path(), byId, "D", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const CliRun run = runCli(row.runtime, {"--port", row.path, "--json", "route", row.output,
                                                QString::number(row.input)});
        ASSERT_EQ(run.exitCode, 0) << run.errorText.toStdString();
        EXPECT_EQ(run.json(), (QJsonObject{{"output", row.output}, {"input", row.input}}));
        const CliRun status = runCli(sim->runtimeDir(), {"--com", "1", "--json", "status"});
        ASSERT_EQ(status.exitCode, 0) << status.errorText.toStdString();
        EXPECT_EQ(status.json()["outputs"].toObject()[row.output].toInt(), row.input);
    }
    // "--port=PATH" is the same option.
    const CliRun joined = runCli(elsewhere.path(), {"--port=" + byId, "status"});
    ASSERT_EQ(joined.exitCode, 0) << joined.errorText.toStdString();
    EXPECT_EQ(joined.output, "A 4\nB 6\nC 8\nD 1\nE 5\nF 6\nG 7\nH 8\n");
}

TEST_F(PortsCli, PortRefusesWhatACOMNameWouldRefuse) {
    QFile plain(elsewhere.path() + QStringLiteral("/plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    struct Row {
        QStringList arguments;
        int exitCode;
        QString message;
    };
    const std::vector<Row> rows = {
        {{"--port", "/dev/null", "status"},
         2,
         "--port: /dev/null is not a terminal device that can be a serial line"},
        {{"--port", "/dev/console", "status"},
         2,
         "--port: /dev/console is not a terminal device that can be a serial line"},
        {{"--port", "/dev/tty", "status"},
         2,
         "--port: /dev/tty is not a terminal device that can be a serial line"},
        {{"--port", plain.fileName(), "status"},
         2,
         "--port: " + plain.fileName() + " is not a terminal device that can be a serial line"},
        {{"--port", elsewhere.path() + "/unplugged", "status"},
         2,
         "--port: " + elsewhere.path() + "/unplugged does not exist"},
        {{"--port", "ttyUSB0", "status"},
         2,
         "--port takes a device path (such as /dev/ttyUSB0 or a link in /dev/serial/by-id/), "
         "not 'ttyUSB0'"},
        {{"--port", byId, "--com", "1", "status"}, 2, "give one link: --com, --port or --tcp"},
        {{"--tcp", "127.0.26.1", "--port", byId, "status"},
         2,
         "give one link: --com, --port or --tcp"},
        {{"--port"}, 2, "--port needs a value"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const CliRun run = runCli(elsewhere.path(), row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_TRUE(run.errorText.contains(row.message)) << run.errorText.toStdString();
        EXPECT_TRUE(run.output.isEmpty()) << run.output.toStdString();
    }
    // Nothing reached the matrix: it still shows input n on output n.
    const CliRun status = runCli(sim->runtimeDir(), {"--com", "1", "status"});
    EXPECT_EQ(status.output, "A 1\nB 2\nC 3\nD 4\nE 5\nF 6\nG 7\nH 8\n");
}

TEST_F(PortsCli, APortHeldByAnotherProgramIsRefusedByPathToo) {
    QProcess holder;
    holder.setStandardInputFile(sim->ptyDevice());
    holder.start(QStringLiteral("sleep"), {"30"});
    ASSERT_TRUE(holder.waitForStarted(5000));
    for (const QString& runtime : {sim->runtimeDir(), elsewhere.path()}) {
        const CliRun run = runCli(runtime, {"--port", byId, "status"});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_TRUE(run.errorText.contains(
            QStringLiteral("COM1 is in use by another program: sleep (process %1).")
                .arg(holder.processId())))
            << run.errorText.toStdString();
    }
    holder.kill();
    holder.waitForFinished(5000);
}

} // namespace
