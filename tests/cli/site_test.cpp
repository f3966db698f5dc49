// quorvane-cli names, presets, preset save and preset apply against quorvane-sim over both links,
// each run in a data folder of its own: the JSON field by field, names taken by route, the
// simulated matrix's routes read back after every apply reported as done, an output the matrix
// does not acknowledge named with exit status 1, and a store the program cannot read refused
// and left as it was.
#include "cli_fixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace quorvane::test;

namespace {

class SiteCli : public CliTest {
protected:
    void SetUp() override { ASSERT_TRUE(data.isValid()); }

    std::vector<std::pair<QString, QString>> environment() const {
        return {{QStringLiteral("XDG_DATA_HOME"), data.path()}};
    }
    CliRun run(const QStringList& arguments) { return cli(arguments, environment()); }
    // The store file of the simulated matrix as this link knows it.
    QString storeFile() const {
        const QString key = GetParam() == Link::Com ? QStringLiteral("com1")
                                                    : QStringLiteral("tcp-") + sim->tcpAddress();
        return data.path() + "/quorvane/matrices/" + key + ".json";
    }
    void writeStore(const QByteArray& bytes) {
        QDir().mkpath(data.path() + "/quorvane/matrices");
        QFile file(storeFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // The simulated matrix's routes, "A 1\nB 2\n...", read with a status of its own.
    QString matrixRoutes() {
        const CliRun status = run({"status"});
        EXPECT_EQ(status.exitCode, 0) << status.errorText.toStdString();
        return status.output;
    }

    QTemporaryDir data;
};

TEST_P(SiteCli, NamesAreSetListedClearedAndTakenByRoute) {
    ASSERT_NO_FATAL_FAILURE(startSim(GetParam() == Link::Com ? QStringLiteral("127.0.47.1")
                                                             : QStringLiteral("127.0.47.2")));
    struct Row {
        QStringList arguments;
        int exitCode;
        QJsonObject json;  // compared whole when the run succeeds
        QString errorPart; // in standard error when it fails
    };
    const std::vector<Row> table{
        {{"names", "set", "input", "3", "Blu-ray"}, 0, {{"input", 3}, {"name", "Blu-ray"}}, {}},
        {{"names", "set", "output", "b", "Projector"},
         0,
         {{"output", "B"}, {"name", "Projector"}},
         {}},
        {{"names", "set", "input", "IN5", "Camera"}, 0, {{"input", 5}, {"name", "Camera"}}, {}},
        // A port may be named by its name.
        {{"names", "set", "input", "Camera", "Camera 2"},
         0,
         {{"input", 5}, {"name", "Camera 2"}},
         {}},
        {{"names", "set", "output", "H", "Blu-ray"}, 0, {{"output", "H"}, {"name", "Blu-ray"}}, {}},
        {{"names", "set", "input", "4", "Blu-ray"}, 2, {}, "'Blu-ray' already names input 3"},
        {{"names", "set", "input", "4", "B"}, 2, {}, "reads as a number or a letter"},
        {{"names", "set", "output", "C", "7"}, 2, {}, "reads as a number or a letter"},
        {{"names", "set", "output", "C", "IN2"}, 2, {}, "reads as a number or a letter"},
        {{"names", "set", "input", "9", "Nine"}, 2, {}, "INPUT is 1..8, not '9'"},
        {{"names", "set", "side", "1", "X"}, 2, {}, "say input or output, not 'side'"},
        {{"names", "set", "input", "2", ""}, 2, {}, "'names clear' removes one"},
        {{"names", "clear", "input", "Camera 2"}, 0, {{"input", 5}, {"name", QJsonValue()}}, {}},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const CliRun result = run(QStringList{"--json"} + row.arguments);
        EXPECT_EQ(result.exitCode, row.exitCode) << result.errorText.toStdString();
        if (row.exitCode == 0)
            EXPECT_EQ(result.json(), row.json) << result.output.toStdString();
        else
            EXPECT_TRUE(result.errorText.contains(row.errorPart)) << result.errorText.toStdString();
    }

    const CliRun list = run({"--json", "names"});
    ASSERT_EQ(list.exitCode, 0) << list.errorText.toStdString();
    const QJsonObject inputs = list.json()["inputs"].toObject();
    const QJsonObject outputs = list.json()["outputs"].toObject();
    EXPECT_EQ(inputs.size(), 8);
    EXPECT_EQ(outputs.size(), 8);
    EXPECT_EQ(inputs["3"].toString(), "Blu-ray");
    EXPECT_TRUE(inputs["5"].isNull());
    EXPECT_TRUE(inputs["4"].isNull());
    EXPECT_EQ(outputs["B"].toString(), "Projector");
    EXPECT_EQ(outputs["H"].toString(), "Blu-ray");
    EXPECT_EQ(list.json()["matrix"].toString(), QFileInfo(storeFile()).completeBaseName());
    const CliRun text = run({"names"});
    EXPECT_TRUE(text.output.startsWith("input 1 -\ninput 2 -\ninput 3 Blu-ray\n"))
        << text.output.toStdString();
    EXPECT_TRUE(text.output.contains("output B Projector\n"));

    // Names in place of numbers; an output named like an input is still the output.
    const CliRun route = run({"--json", "route", "Projector", "Blu-ray"});
    ASSERT_EQ(route.exitCode, 0) << route.errorText.toStdString();
    EXPECT_EQ(route.json(), (QJsonObject{{"output", "B"}, {"input", 3}}));
    EXPECT_EQ(run({"route", "Blu-ray", "Blu-ray"}).output, "H 3\n");
    EXPECT_EQ(matrixRoutes(), "A 1\nB 3\nC 3\nD 4\nE 5\nF 6\nG 7\nH 3\n");
    // Names are matched exactly; a name that is not there is a usage error, nothing sent.
    const CliRun wrong = run({"route", "projector", "1"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_TRUE(wrong.errorText.contains("OUTPUT is A..H or 1..8, not 'projector'"))
        << wrong.errorText.toStdString();
    const CliRun edid = run({"edid", "copy", "A", "Nothing"});
    EXPECT_EQ(edid.exitCode, 2);
    EXPECT_TRUE(edid.errorText.contains("TARGET is IN1..IN8 or all, not 'Nothing'"));
}

TEST_P(SiteCli, PresetsAreSavedFromTheMatrixAppliedAndShownActive) {
    ASSERT_NO_FATAL_FAILURE(startSim(GetParam() == Link::Com ? QStringLiteral("127.0.47.3")
                                                             : QStringLiteral("127.0.47.4")));
    // The simulated matrix starts with input n on output n.
    const CliRun saved = run({"--json", "preset", "save", "Straight"});
    ASSERT_EQ(saved.exitCode, 0) << saved.errorText.toStdString();
    EXPECT_EQ(saved.json()["preset"].toString(), "Straight");
    EXPECT_EQ(saved.json()["row"].toInt(), 2); // "Setting1" holds routes from the start
    const QJsonObject straight{{"A", 1}, {"B", 2}, {"C", 3}, {"D", 4},
                               {"E", 5}, {"F", 6}, {"G", 7}, {"H", 8}};
    EXPECT_EQ(saved.json()["routes"].toObject(), straight);

    ASSERT_EQ(run({"route", "A", "4"}).exitCode, 0);
    ASSERT_EQ(run({"route", "C", "8"}).exitCode, 0);
    const CliRun evening = run({"preset", "save", "Evening"});
    ASSERT_EQ(evening.exitCode, 0) << evening.errorText.toStdString();
    EXPECT_EQ(evening.output, "Evening  A=4 B=2 C=8 D=4 E=5 F=6 G=7 H=8\n");

    const CliRun list = run({"--json", "presets"});
    ASSERT_EQ(list.exitCode, 0) << list.errorText.toStdString();
    const QJsonArray presets = list.json()["presets"].toArray();
    ASSERT_EQ(presets.size(), 8);
    EXPECT_EQ(list.json()["active"].toString(), "Evening");
    struct Row {
        QString name;
        bool active;
        QJsonValue routeOfA;
    };
    const std::vector<Row> rows{{"Setting1", false, 2},
                                {"Straight", false, 1},
                                {"Evening", true, 4},
                                {"Setting4", false, QJsonValue()},
                                {"Setting8", false, QJsonValue()}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name.toStdString());
        int found = -1;
        for (int i = 0; i < presets.size(); ++i) {
            if (presets[i].toObject()["name"].toString() == row.name)
                found = i;
        }
        ASSERT_GE(found, 0);
        EXPECT_EQ(presets[found].toObject()["active"].toBool(), row.active);
        EXPECT_EQ(presets[found].toObject()["routes"].toObject()["A"], row.routeOfA);
    }

    const CliRun apply = run({"--json", "preset", "apply", "Straight"});
    ASSERT_EQ(apply.exitCode, 0) << apply.errorText.toStdString();
    EXPECT_EQ(apply.json()["preset"].toString(), "Straight");
    EXPECT_EQ(apply.json()["outputs"].toObject(), straight);
    EXPECT_EQ(apply.json()["changed"].toArray(), (QJsonArray{"A", "C"}));
    EXPECT_EQ(matrixRoutes(), "A 1\nB 2\nC 3\nD 4\nE 5\nF 6\nG 7\nH 8\n");

    const CliRun back = run({"preset", "apply", "Setting1"});
    ASSERT_EQ(back.exitCode, 0) << back.errorText.toStdString();
    EXPECT_EQ(back.output, "A 2 (was 1)\nB 2\nC 2 (was 3)\nD 2 (was 4)\nE 2 (was 5)\nF 2 (was 6)\n"
                           "G 2 (was 7)\nH 2 (was 8)\n");
    EXPECT_EQ(matrixRoutes(), "A 2\nB 2\nC 2\nD 2\nE 2\nF 2\nG 2\nH 2\n");
    const CliRun text = run({"presets"});
    EXPECT_TRUE(text.output.startsWith("Setting1  A=2 B=2 C=2 D=2 E=2 F=2 G=2 H=2  (active)\n"))
        << text.output.toStdString();
    EXPECT_TRUE(text.output.contains("Setting4  (empty)\n"));
    EXPECT_TRUE(text.output.endsWith("active: Setting1\n"));

    struct Refusal {
        QStringList arguments;
        QString errorPart;
    };
    const std::vector<Refusal> refusals{
        {{"preset", "apply", "Nobody"}, "no preset is named 'Nobody'"},
        {{"preset", "apply", "straight"}, "no preset is named 'straight'"},
        {{"preset", "save", ""}, "a preset needs a name"},
    };
    for (const Refusal& refusal : refusals) {
        const CliRun result = run(refusal.arguments);
        EXPECT_EQ(result.exitCode, 2) << refusal.arguments.join(' ').toStdString();
        EXPECT_TRUE(result.errorText.contains(refusal.errorPart)) << result.errorText.toStdString();
    }
}

TEST_P(SiteCli, AnApplyTheMatrixDoesNotAcknowledgeNamesTheOutput) {
    // The status read takes replies 1..8, outputs A and B replies 9 and 10; output C's route and
    // its resend are lost.
    ASSERT_NO_FATAL_FAILURE(startSim(GetParam() == Link::Com ? QStringLiteral("127.0.47.5")
                                                             : QStringLiteral("127.0.47.6"),
                                     {"--drop-reply", "11", "--drop-count", "2"}));
    ASSERT_NO_FATAL_FAILURE(writeStore(
        R"({"format":"quorvane-matrix","version":1,"presets":[
            {"name":"Show","routes":{"A":8,"B":7,"C":6,"D":5,"E":4,"F":3,"G":2,"H":1}}]})"));
    // (The lost route runs out in real time: 3 s to the resend, 5 s more to the end.)
    const CliRun apply = run({"--json", "preset", "apply", "Show"});
    EXPECT_EQ(apply.exitCode, 1);
    EXPECT_TRUE(apply.errorText.contains("output C was not acknowledged; routed before it: A B"))
        << apply.errorText.toStdString();
    EXPECT_TRUE(apply.errorText.contains("the matrix did not answer (\"Time out!\")"))
        << apply.errorText.toStdString();
    EXPECT_TRUE(apply.output.isEmpty()) << apply.output.toStdString();
    // A and B were routed; the matrix switched C but its answers were lost; D and after were
    // never sent.
    EXPECT_EQ(matrixRoutes(), "A 8\nB 7\nC 6\nD 4\nE 5\nF 6\nG 7\nH 8\n");
}

TEST_P(SiteCli, AStoreFromANewerVersionIsRefusedAndLeftAsItWas) {
    ASSERT_NO_FATAL_FAILURE(startSim(GetParam() == Link::Com ? QStringLiteral("127.0.47.7")
                                                             : QStringLiteral("127.0.47.8")));
    const QByteArray newer =
        R"({"format":"quorvane-matrix","version":2,"names":{"inputs":{"1":"Future"}}})";
    ASSERT_NO_FATAL_FAILURE(writeStore(newer));
    for (const QStringList& arguments :
         {QStringList{"names"}, QStringList{"names", "set", "input", "2", "Today"},
          QStringList{"preset", "save", "Now"}, QStringList{"route", "A", "Future"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.errorText.contains("newer version of Quorvane"))
            << result.errorText.toStdString();
        EXPECT_TRUE(result.output.isEmpty());
    }
    QFile file(storeFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), newer);
    // Numbers need no store: a route by number still works.
    EXPECT_EQ(run({"route", "A", "2"}).exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(BothLinks, SiteCli, ::testing::Values(Link::Com, Link::Tcp), linkName);

} // namespace
