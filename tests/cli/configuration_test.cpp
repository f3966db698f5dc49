// quorvane-cli backup, restore, restore --dry-run and fw upgrade --backup against quorvane-sim over
// both links: the file and the JSON field by field, the matrix read back by other commands after
// every restore that succeeded, refused files that send nothing, unanswered routes named.
#include "cli_fixture.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quorvane::test;

namespace {

class ConfigurationCli : public CliTest {
protected:
    QJsonObject readFile(const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return QJsonDocument::fromJson(file.readAll()).object();
    }
    QString write(const QString& name, const QByteArray& text) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return file.fileName();
    }
    // The routes A..H as `status` reads them: "A 1\nB 2\n...".
    QString routes() { return cli({"status"}).output; }
    QJsonObject edidNames() { return cli({"--json", "edid", "names"}).json()["inputs"].toObject(); }
    // One restore item of the JSON output, by its item and port.
    static QJsonObject item(const QJsonObject& json, const QString& what, const QJsonValue& port) {
        for (const QJsonValue& value : json["items"].toArray()) {
            const QJsonObject o = value.toObject();
            if (o["item"] == what && o["port"] == port)
                return o;
        }
        return {};
    }

    QTemporaryDir folder;
};

const QString Stereo1080p = QStringLiteral("1080p,Stereo Audio 2.0");

TEST_P(ConfigurationCli, BackupWritesTheFileAndRestoreSetsWhatChangedSince) {
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.31.1")));
    const QString path = folder.filePath("site.json");
    // Names kept for this matrix go into the backup and come back with the restore.
    ASSERT_EQ(cli({"names", "set", "input", "3", "Blu-ray"}).exitCode, 0);
    ASSERT_EQ(cli({"names", "set", "output", "B", "Projector"}).exitCode, 0);
    const CliRun backup = cli({"--json", "backup", path});
    ASSERT_EQ(backup.exitCode, 0) << backup.errorText.toStdString();
    const QJsonObject printed = backup.json();
    EXPECT_EQ(printed["file"].toString(), path);
    EXPECT_EQ(printed["routes"].toObject()["A"].toInt(), 1);
    EXPECT_EQ(printed["routes"].toObject()["H"].toInt(), 8);
    EXPECT_EQ(printed["edid"].toObject()["IN5"].toString(), Stereo1080p);
    EXPECT_EQ(printed["beep"], QJsonValue(true));
    EXPECT_EQ(printed["dvi"], QJsonValue(false));
    EXPECT_EQ(printed["leftAlone"].toArray(), QJsonArray());

    const QJsonObject saved = readFile(path);
    EXPECT_EQ(saved["format"].toString(), "quorvane-configuration");
    EXPECT_EQ(saved["version"].toInt(), 1);
    const QJsonObject savedRoutes = saved["routes"].toObject();
    ASSERT_EQ(savedRoutes.size(), 8);
    const char* letters = "ABCDEFGH";
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(savedRoutes[QString(QLatin1Char(letters[i]))].toInt(), i + 1) << letters[i];
    EXPECT_EQ(saved["edid"].toObject().size(), 8);
    EXPECT_EQ(saved["edid"].toObject()["IN1"].toString(), Stereo1080p);
    EXPECT_EQ(saved["beep"], QJsonValue(true));
    EXPECT_EQ(saved["dvi"], QJsonValue(false));
    EXPECT_EQ(saved["names"].toObject()["inputs"].toObject()["IN3"].toString(), "Blu-ray");
    EXPECT_EQ(saved["names"].toObject()["outputs"].toObject()["B"].toString(), "Projector");
    // Names changed since: input 3 named otherwise, output B's name moved to output C.
    ASSERT_EQ(cli({"names", "set", "input", "3", "Game"}).exitCode, 0);
    ASSERT_EQ(cli({"names", "clear", "output", "B"}).exitCode, 0);
    ASSERT_EQ(cli({"names", "set", "output", "C", "Projector"}).exitCode, 0);
    const auto keptNames = [this] {
        const QJsonObject names = cli({"--json", "names"}).json();
        return names["inputs"].toObject()["3"].toString() + "|" +
               names["outputs"].toObject()["B"].toString() + "|" +
               names["outputs"].toObject()["C"].toString();
    };
    ASSERT_EQ(keptNames(), "Game||Projector");

    // The matrix changes; a dry run names what differs and changes nothing.
    ASSERT_EQ(cli({"route", "B", "5"}).exitCode, 0);
    ASSERT_EQ(cli({"edid", "set", "12", "IN3"}).exitCode, 0); // 4K2K,HD Audio 7.1
    const CliRun dry = cli({"--json", "restore", "--dry-run", path});
    ASSERT_EQ(dry.exitCode, 0) << dry.errorText.toStdString();
    const QJsonObject dryJson = dry.json();
    EXPECT_EQ(dryJson["dryRun"], QJsonValue(true));
    EXPECT_EQ(dryJson["items"].toArray().size(), 18);
    EXPECT_EQ(item(dryJson, "route", "B"), (QJsonObject{{"item", "route"},
                                                        {"port", "B"},
                                                        {"matrix", "5"},
                                                        {"file", "2"},
                                                        {"result", "would change"}}));
    EXPECT_EQ(item(dryJson, "edid", "IN3"), (QJsonObject{{"item", "edid"},
                                                         {"port", "IN3"},
                                                         {"matrix", "4K2K,HD Audio 7.1"},
                                                         {"file", Stereo1080p},
                                                         {"result", "would change"}}));
    EXPECT_EQ(item(dryJson, "route", "A")["result"].toString(), "same");
    EXPECT_EQ(dryJson["names"].toString(), "would change");
    EXPECT_EQ(keptNames(), "Game||Projector");
    EXPECT_EQ(item(dryJson, "beep", QJsonValue())["result"].toString(), "same");
    EXPECT_EQ(routes(), "A 1\nB 5\nC 3\nD 4\nE 5\nF 6\nG 7\nH 8\n");

    // The restore sets them back, and the matrix holds them.
    const CliRun restore = cli({"--json", "restore", path});
    ASSERT_EQ(restore.exitCode, 0) << restore.errorText.toStdString();
    const QJsonObject done = restore.json();
    EXPECT_EQ(done["dryRun"], QJsonValue(false));
    EXPECT_EQ(done["notSet"].toArray(), QJsonArray());
    EXPECT_EQ(item(done, "route", "B")["result"].toString(), "changed");
    EXPECT_EQ(item(done, "edid", "IN3")["result"].toString(), "changed");
    EXPECT_EQ(item(done, "route", "C")["result"].toString(), "same");
    EXPECT_EQ(done["names"].toString(), "changed");
    EXPECT_EQ(keptNames(), "Blu-ray|Projector|");
    EXPECT_TRUE(restore.errorText.contains("Configuration restored: 2 item(s) changed."))
        << restore.errorText.toStdString();
    EXPECT_EQ(routes(), "A 1\nB 2\nC 3\nD 4\nE 5\nF 6\nG 7\nH 8\n");
    EXPECT_EQ(edidNames()["IN3"].toString(), Stereo1080p);
    // The frames on the wire: route input 2 to output B, built-in EDID 4 on IN3.
    EXPECT_TRUE(sim->standardError().contains("A5 5B 02 03 02 00 02 00 00 00 00 00 F7"))
        << sim->standardError().toStdString();
    EXPECT_TRUE(sim->standardError().contains("A5 5B 03 02 04 F0 03 00 00 00 00 00 04"))
        << sim->standardError().toStdString();
}

TEST_P(ConfigurationCli, SwitchesAndTextOutput) {
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.31.2")));
    const QString path = write("switches.json", R"({"format": "quorvane-configuration",
        "version": 1, "routes": {"A": 8, "B": 2, "C": 3, "D": 4, "E": 5, "F": 6, "G": 7,
        "H": null}, "edid": {"IN1": "User define", "IN2": "1080p,Stereo Audio 2.0",
        "IN3": "1080p,Stereo Audio 2.0", "IN4": "1080p,Stereo Audio 2.0",
        "IN5": "1080p,Stereo Audio 2.0", "IN6": "1080p,Stereo Audio 2.0",
        "IN7": "1080p,Stereo Audio 2.0", "IN8": "DVI 1024X768"}, "beep": false, "dvi": true})");
    const CliRun restore = cli({"restore", path});
    ASSERT_EQ(restore.exitCode, 0) << restore.errorText.toStdString();
    EXPECT_EQ(restore.output, "route A: 1 -> 8 (changed)\n"
                              "route H: 8 -> - (left alone)\n"
                              "edid IN1: 1080p,Stereo Audio 2.0 -> User define (left alone)\n"
                              "edid IN8: 1080p,Stereo Audio 2.0 -> DVI 1024X768 (changed)\n"
                              "beep: on -> off (changed)\n"
                              "dvi: off -> on (changed)\n");
    EXPECT_EQ(routes(), "A 8\nB 2\nC 3\nD 4\nE 5\nF 6\nG 7\nH 8\n");
    EXPECT_EQ(edidNames()["IN8"].toString(), "DVI 1024X768");
    EXPECT_EQ(edidNames()["IN1"].toString(), Stereo1080p);
    // The switches as another command reads them: beep 06 01 F0 and DVI 07 01 0F went out.
    EXPECT_TRUE(sim->standardError().contains("A5 5B 06 01 F0 00 00 00 00 00 00 00 09"))
        << sim->standardError().toStdString();
    EXPECT_TRUE(sim->standardError().contains("A5 5B 07 01 0F 00 00 00 00 00 00 00 E9"))
        << sim->standardError().toStdString();
    const CliRun backup = cli({"backup", folder.filePath("after.json")});
    ASSERT_EQ(backup.exitCode, 0) << backup.errorText.toStdString();
    EXPECT_TRUE(backup.output.startsWith("A 8\nB 2\n")) << backup.output.toStdString();
    EXPECT_TRUE(backup.output.contains("beep off\ndvi on\n")) << backup.output.toStdString();
}

TEST_P(ConfigurationCli, AFileThatCannotBeRestoredWholeIsRefusedBeforeAnythingIsSent) {
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.31.3")));
    const QByteArray edid =
        R"("edid": {"IN1": "User define", "IN2": "User define", "IN3": "User define",
        "IN4": "User define", "IN5": "User define", "IN6": "User define", "IN7": "User define",
        "IN8": "User define"})";
    const QByteArray routes =
        R"("routes": {"A": 1, "B": 2, "C": 3, "D": 4, "E": 5, "F": 6, "G": 7, "H": 8})";
    const auto config = [&](const QByteArray& format, const QByteArray& version,
                            const QByteArray& r, const QByteArray& e) {
        return "{\"format\": " + format + ", \"version\": " + version + ", " + r + ", " + e +
               ", \"beep\": true, \"dvi\": false}";
    };
    QByteArray route9 = routes;
    route9.replace("\"C\": 3", "\"C\": 9");
    QByteArray outputI = routes;
    outputI.replace("\"H\": 8", "\"I\": 8");
    QByteArray unknownEdid = edid;
    unknownEdid.replace("\"IN4\": \"User define\"", "\"IN4\": \"8K,Atmos\"");
    const QString fifo = folder.filePath("fifo.json");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    struct Row {
        const char* name;
        QString path;
        const char* reason;
    };
    const std::vector<Row> rows = {
        {"not JSON", write("a.json", "routes A=1"), "not a JSON file"},
        {"wrong format name", write("b.json", config("\"quorvane-presets\"", "1", routes, edid)),
         "not a configuration file"},
        {"newer version", write("c.json", config("\"quorvane-configuration\"", "2", routes, edid)),
         "made by a newer version of this program (file version 2, this program reads 1)"},
        {"route to input 9",
         write("d.json", config("\"quorvane-configuration\"", "1", route9, edid)),
         "routes.C: not an input 1..8"},
        {"output I", write("e.json", config("\"quorvane-configuration\"", "1", outputI, edid)),
         "routes: 'I' is no output A..H"},
        {"unknown EDID name",
         write("f.json", config("\"quorvane-configuration\"", "1", routes, unknownEdid)),
         "edid.IN4: '8K,Atmos' is not an EDID the matrix reports"},
        {"a FIFO", fifo, "not a regular file"},
        {"missing", folder.filePath("missing.json"), "missing.json: "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CliRun run = cli({"--json", "restore", row.path});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.errorText.contains(QString::fromUtf8(row.reason)))
            << run.errorText.toStdString();
        EXPECT_TRUE(run.output.isEmpty()) << run.output.toStdString();
    }
    // Not one frame reached the matrix.
    EXPECT_FALSE(sim->standardError().contains("A5 5B")) << sim->standardError().toStdString();
}

TEST_P(ConfigurationCli, UnansweredRoutesAreNamedAndTheRestIsSet) {
    // Replies 1..18 answer the read; 19 and 20 are route B's answer and its resend's.
    ASSERT_NO_FATAL_FAILURE(
        startSim(QStringLiteral("127.0.31.4"), {"--drop-reply", "19", "--drop-count", "2"}));
    const QString path = write("two.json", R"({"format": "quorvane-configuration", "version": 1,
        "routes": {"A": 1, "B": 6, "C": 7, "D": 4, "E": 5, "F": 6, "G": 7, "H": 8},
        "edid": {"IN1": "1080p,Stereo Audio 2.0", "IN2": "1080p,Stereo Audio 2.0",
        "IN3": "1080p,Stereo Audio 2.0", "IN4": "1080p,Stereo Audio 2.0",
        "IN5": "1080p,Stereo Audio 2.0", "IN6": "1080p,Stereo Audio 2.0",
        "IN7": "1080p,Stereo Audio 2.0", "IN8": "1080p,Stereo Audio 2.0"},
        "beep": true, "dvi": false})");
    // (The lost answers run out in real time: 3 s to the resend, 5 s more to the end.)
    const CliRun run = cli({"--json", "restore", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.errorText.contains("the matrix did not answer (\"Time out! Not set: output B\")"))
        << run.errorText.toStdString();
    const QJsonObject json = run.json();
    EXPECT_EQ(json["notSet"].toArray(), QJsonArray({"B"}));
    EXPECT_EQ(item(json, "route", "B")["result"].toString(), "not set");
    EXPECT_EQ(item(json, "route", "C")["result"].toString(), "changed");
    EXPECT_EQ(routes().split('\n').value(2), "C 7");
}

TEST_P(ConfigurationCli, StandbyWhileReadingSetsNothing) {
    ASSERT_NO_FATAL_FAILURE(
        startSim(QStringLiteral("127.0.31.5"), {"--standby-before-reply", "3"}));
    const CliRun run = cli({"--json", "backup", folder.filePath("none.json")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errorText.contains("the matrix is in standby (\"Matrix is in standby mode!\")"))
        << run.errorText.toStdString();
    EXPECT_FALSE(QFile::exists(folder.filePath("none.json")));
}

TEST_P(ConfigurationCli, FirmwareUpgradeWithBackupRestoresAfterItsSuccess) {
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.31.6"), {"--reboot-ms", "0"}));
    QByteArray plain("\xA5\x5A", 2);
    plain += QByteArray(300, '\x01');
    const auto key = static_cast<char>((plain.size() & 0xFF) ^ 0xA7);
    for (char& byte : plain)
        byte = static_cast<char>(byte ^ key);
    const QString firmware = write("main.fw", plain);
    const QString backup = folder.filePath("before.json");
    ASSERT_EQ(cli({"route", "D", "2"}).exitCode, 0);
    const CliRun run = cli({"--json", "fw", "upgrade", "--backup", backup, firmware});
    if (GetParam() == Link::Tcp) {
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_FALSE(QFile::exists(backup));
        return;
    }
    ASSERT_EQ(run.exitCode, 0) << run.errorText.toStdString();
    const QStringList lines = run.output.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4) << run.output.toStdString();
    const QJsonObject saved = QJsonDocument::fromJson(lines[0].toUtf8()).object();
    EXPECT_EQ(saved["file"].toString(), backup);
    EXPECT_EQ(saved["routes"].toObject()["D"].toInt(), 2);
    EXPECT_EQ(QJsonDocument::fromJson(lines[2].toUtf8()).object()["result"].toString(), "success");
    const QJsonObject restored = QJsonDocument::fromJson(lines[3].toUtf8()).object();
    EXPECT_EQ(restored["notSet"].toArray(), QJsonArray());
    EXPECT_EQ(readFile(backup)["routes"].toObject()["D"].toInt(), 2);
    EXPECT_EQ(routes().split('\n').value(3), "D 2");
}

TEST(ConfigurationCliUsage, OptionsBelongToTheirCommands) {
    EXPECT_EQ(runCli({}, {"--com", "1", "--dry-run", "backup", "x.json"}).exitCode, 2);
    EXPECT_EQ(runCli({}, {"--com", "1", "--backup", "x.json", "restore", "x.json"}).exitCode, 2);
    const CliRun help = runCli({}, {"restore", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.contains("--dry-run")) << help.output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothLinks, ConfigurationCli, ::testing::Values(Link::Com, Link::Tcp),
                         linkName);

} // namespace
