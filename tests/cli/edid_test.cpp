// quorvane-cli's EDID commands against quorvane-sim over both links (names, set, copy, load) and
// an EDID file's checks without a matrix (show): the JSON field by field, the page's refusals as
// exit status 1, and a file the matrix cannot take as a usage error that sends nothing.
#include "cli_fixture.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace quorvane::test;

namespace {

const QString RealEdids = QStringLiteral(QUORVANE_EDID_REAL_DIR);
// A 256-byte EDID of an AOC monitor (product code 2402 hex) with a CTA-861 extension.
const QString AocFile = RealEdids + QStringLiteral("/good/Digital_AOC2402_3EA18B594102.bin");

class EdidCli : public CliTest {};

QJsonObject allNames(const QString& name) {
    QJsonObject names;
    for (int input = 1; input <= 8; ++input)
        names.insert(QStringLiteral("IN%1").arg(input), name);
    return names;
}

TEST_P(EdidCli, SetByNumberAndByNameThenNamesReadThemBack) {
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.23.1")));
    const CliRun set = cli({"--json", "edid", "set", "12", "IN3"});
    ASSERT_EQ(set.exitCode, 0) << set.errorText.toStdString();
    EXPECT_EQ(set.json(), (QJsonObject{{"edid", "4K2K,HD Audio 7.1"},
                                       {"target", "IN3"},
                                       {"inputs", QJsonObject{{"IN3", "4K2K,HD Audio 7.1"}}}}));
    EXPECT_TRUE(set.errorText.contains("Set successfully!"));

    const CliRun byName = cli({"--json", "edid", "set", "dvi 1920x1080", "all"});
    ASSERT_EQ(byName.exitCode, 0) << byName.errorText.toStdString();
    EXPECT_EQ(byName.json()["edid"].toString(), "DVI 1920X1080");
    EXPECT_EQ(byName.json()["inputs"].toObject(), allNames("DVI 1920X1080"));

    const CliRun names = cli({"--json", "edid", "names"});
    ASSERT_EQ(names.exitCode, 0) << names.errorText.toStdString();
    EXPECT_EQ(names.json(), (QJsonObject{{"inputs", allNames("DVI 1920X1080")}}));
}

TEST_P(EdidCli, CopyFromAnOutputWithoutADisplayIsRefused) {
    // Only output A has a display.
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.23.2"), {"--outputs", "1"}));
    const CliRun refused = cli({"--json", "edid", "copy", "C", "IN1"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.errorText.contains("the matrix refused (\"HDMI OUT C is not connected!\")"))
        << refused.errorText.toStdString();
    EXPECT_TRUE(refused.output.isEmpty());

    const CliRun copied = cli({"--json", "edid", "copy", "a", "in5"});
    ASSERT_EQ(copied.exitCode, 0) << copied.errorText.toStdString();
    EXPECT_EQ(copied.json(), (QJsonObject{{"output", "A"},
                                          {"target", "IN5"},
                                          {"inputs", QJsonObject{{"IN5", "Copy HDMI OUT A"}}}}));
}

TEST_P(EdidCli, LoadDownloadsAFileAndTheMatrixsFailureIsStatus1) {
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.23.3")));
    const CliRun loaded = cli({"--json", "edid", "load", AocFile, "IN2"});
    ASSERT_EQ(loaded.exitCode, 0) << loaded.errorText.toStdString();
    EXPECT_EQ(loaded.json()["file"].toString(), AocFile);
    EXPECT_EQ(loaded.json()["target"].toString(), "IN2");
    EXPECT_EQ(loaded.json()["inputs"].toObject().keys(), QStringList{"IN2"});
    EXPECT_TRUE(loaded.errorText.contains("Download successfully!"));

    sim.reset();
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.23.4"), {"--edid-download-fails"}));
    const CliRun failed = cli({"edid", "load", AocFile, "all"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.errorText.contains("the matrix refused (\"Download failed!\")"))
        << failed.errorText.toStdString();
}

TEST_P(EdidCli, TheWrongEdidSwitchEndsARequestWithStatus1) {
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.23.5"), {"--edid-switch-wrong"}));
    const CliRun run = cli({"edid", "set", "default", "IN1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errorText.contains("\"Please set the EDID to [1111]!\""))
        << run.errorText.toStdString();
}

TEST_P(EdidCli, AFileTheMatrixCannotTakeIsAUsageErrorAndNothingIsSent) {
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.23.6")));
    QTemporaryDir folder;
    QFile file(folder.filePath("short.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, '\0'));
    file.close();
    const CliRun run = cli({"edid", "load", file.fileName(), "IN1"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.errorText.contains("Please select the correct EDID file!"))
        << run.errorText.toStdString();
    EXPECT_FALSE(sim->standardError().contains("RX ")) << sim->standardError().toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothLinks, EdidCli, ::testing::Values(Link::Com, Link::Tcp), linkName);

TEST(EdidShowCli, ShowsTheChecksAndSummaryOfAFileWithoutAMatrix) {
    QTemporaryDir runtime;
    const CliRun run = runCli(runtime.path(), {"--json", "edid", "show", AocFile});
    ASSERT_EQ(run.exitCode, 0) << run.errorText.toStdString();
    const QJsonObject json = run.json();
    EXPECT_EQ(json["file"].toString(), AocFile);
    EXPECT_EQ(json["size"].toInt(), 256);
    EXPECT_TRUE(json["accepted"].toBool());
    EXPECT_TRUE(json["refusal"].isNull());
    EXPECT_TRUE(json["check"].isNull());
    const QJsonObject summary = json["summary"].toObject();
    EXPECT_EQ(summary["manufacturer"].toString(), "AOC");
    EXPECT_EQ(summary["productCode"].toInt(), 0x2402);
    EXPECT_TRUE(summary["audio"].isArray());
    EXPECT_FALSE(summary["vics"].toArray().isEmpty());
    EXPECT_TRUE(summary["preferred"].toObject()["width"].toInt() > 0);

    // An EDID header broken in byte 3: refused, said why, status 2.
    QFile source(AocFile);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    bytes[3] = 0x00;
    QFile broken(runtime.filePath("broken.bin"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(bytes);
    broken.close();
    const CliRun refused = runCli(runtime.path(), {"--json", "edid", "show", broken.fileName()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_FALSE(refused.json()["accepted"].toBool());
    EXPECT_EQ(refused.json()["refusal"].toString(), "Please select the correct EDID file!");
    EXPECT_FALSE(refused.json()["check"].toString().isEmpty());
}

TEST(EdidShowCli, FilesThatCannotBeReadAreStatus2WithTheReason) {
    QTemporaryDir runtime;
    const QString fifo = runtime.filePath("monitor.bin");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const struct {
        QString path;
        const char* reason;
    } rows[] = {
        // Size 0 and every read fails: an exception once ended the program here.
        {"/proc/self/mem", ": The file cannot be read: Input/output error."},
        // A FIFO without a writer: never waited for.
        {fifo, ": The file cannot be read: not a regular file."},
        {"/dev/zero", ": The file cannot be read: not a regular file."},
        // Size 0, megabytes long: at most 64 KiB and one byte are read.
        {"/proc/kallsyms",
         ": The file is more than 65536 bytes long; an EDID file has 128 or 256."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        const CliRun run = runCli(runtime.path(), {"edid", "show", row.path});
        EXPECT_EQ(run.exitCode, 2) << run.errorText.toStdString();
        EXPECT_TRUE(run.errorText.contains(row.path + QString::fromLatin1(row.reason)))
            << run.errorText.toStdString();
        EXPECT_TRUE(run.output.isEmpty());
    }
}

TEST(EdidShowCli, AMonitorNameCannotPutControlBytesOnTheTerminal) {
    QTemporaryDir runtime;
    QFile source(AocFile);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray bytes = source.readAll();
    // The name descriptor of this EDID is the one at byte 90 (tag FC at byte 93); its text
    // becomes a colour change, a title change and a byte that is not ASCII, and the base block
    // sums to 0 again, so the file is a valid EDID.
    ASSERT_EQ(static_cast<unsigned char>(bytes[93]), 0xFCu);
    const QByteArray name("\x1b[31m\x1b]0;t\x07\xc3\x0a", 13);
    bytes.replace(95, name.size(), name);
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i)
        sum += static_cast<unsigned char>(bytes[i]);
    bytes[127] = static_cast<char>((0x100 - (sum & 0xFF)) & 0xFF);
    QFile file(runtime.filePath("named.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    const CliRun run = runCli(runtime.path(), {"edid", "show", file.fileName()});
    ASSERT_EQ(run.exitCode, 0) << run.errorText.toStdString();
    EXPECT_TRUE(run.output.contains("Monitor name: \\x1B[31m\\x1B]0;t\\x07\\xC3\n"))
        << run.output.toStdString();
    for (const QChar c : run.output)
        EXPECT_TRUE(c == QLatin1Char('\n') || (c.unicode() >= 0x20 && c.unicode() < 0x7F))
            << "control or non-ASCII character " << int{c.unicode()} << " in the output";
}

} // namespace
