// quorvane-cli info, beep and dvi against quorvane-sim over both links: the read-out's JSON field
// by field (the type, size and version come over the serial link only), switches confirmed by the
// matrix and read back by the next info, and standby during the read-out as exit status 1.
#include "cli_fixture.h"

#include <QJsonObject>
#include <QJsonValue>

using namespace quorvane::test;

namespace {

class DeviceCli : public CliTest {};

TEST_P(DeviceCli, InfoReportsTheAttachedPortsAndWhatTheLinkTells) {
    const bool com = GetParam() == Link::Com;
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.22.1"),
                                     {"--inputs", "2,7", "--outputs", "1", "--device-type", "2"}));
    const CliRun run = cli({"--json", "info"});
    ASSERT_EQ(run.exitCode, 0) << run.errorText.toStdString();
    ASSERT_TRUE(run.isJson()) << run.output.toStdString();
    const QJsonObject json = run.json();
    EXPECT_EQ(json["link"].toString(), com ? "com" : "tcp");

    QJsonObject inputs;
    QJsonObject outputs;
    for (int port = 1; port <= 8; ++port) {
        inputs.insert(QStringLiteral("IN%1").arg(port), port == 2 || port == 7);
        outputs.insert(QString(QLatin1Char(static_cast<char>('A' + port - 1))), port == 1);
    }
    EXPECT_EQ(json["inputs"].toObject(), inputs);
    EXPECT_EQ(json["outputs"].toObject(), outputs);

    const QJsonObject switches = json["switches"].toObject();
    EXPECT_EQ(switches.keys(), (QStringList{"beep", "dvi", "ir"}));
    if (com) {
        // Type 2 with the simulated matrix's 8 by 8 and its firmware version.
        EXPECT_EQ(json["device"].toString(), "HDBT MATRIX 8X8");
        EXPECT_FALSE(json["version"].toString().isEmpty());
        EXPECT_TRUE(switches["beep"].isBool());
        EXPECT_TRUE(switches["dvi"].isBool());
        EXPECT_TRUE(switches["ir"].isNull()); // never asked over the serial link
    } else {
        // Over TCP the type, size and version reports are not acted on; DVI is not asked.
        EXPECT_TRUE(json["device"].isNull());
        EXPECT_TRUE(json["version"].isNull());
        EXPECT_TRUE(switches["beep"].isBool());
        EXPECT_TRUE(switches["ir"].isBool());
        EXPECT_TRUE(switches["dvi"].isNull());
    }

    const CliRun text = cli({"info"});
    ASSERT_EQ(text.exitCode, 0) << text.errorText.toStdString();
    EXPECT_TRUE(text.output.contains("HDMI IN2: Connect    HDMI OUTB: Disconnect\n"))
        << text.output.toStdString();
    EXPECT_TRUE(text.output.contains("HDMI IN1: Disconnect    HDMI OUTA: Connect\n"));
}

TEST_P(DeviceCli, SwitchesAreConfirmedByTheMatrixAndReadBack) {
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.22.2")));
    const CliRun off = cli({"--json", "beep", "off"});
    ASSERT_EQ(off.exitCode, 0) << off.errorText.toStdString();
    EXPECT_EQ(off.json(), (QJsonObject{{"beep", false}}));
    EXPECT_TRUE(sim->standardError().contains("A5 5B 06 01 F0 00 00 00 00 00 00 00 09"))
        << sim->standardError().toStdString();
    EXPECT_FALSE(cli({"--json", "info"}).json()["switches"].toObject()["beep"].toBool());

    const CliRun on = cli({"beep", "ON"});
    ASSERT_EQ(on.exitCode, 0) << on.errorText.toStdString();
    EXPECT_EQ(on.output, "beep on\n");
    EXPECT_TRUE(cli({"--json", "info"}).json()["switches"].toObject()["beep"].toBool());

    const CliRun dvi = cli({"--json", "dvi", "on"});
    ASSERT_EQ(dvi.exitCode, 0) << dvi.errorText.toStdString();
    EXPECT_EQ(dvi.json(), (QJsonObject{{"dvi", true}}));
    EXPECT_TRUE(sim->standardError().contains("A5 5B 07 01 0F 00 00 00 00 00 00 00 E9"));
}

// A switch the matrix never confirms ends on the command's own 11 s wait: run in process on
// virtual time (outcome_table_test.cpp).

TEST_P(DeviceCli, StandbyDuringTheReadOutIsStatus1) {
    ASSERT_NO_FATAL_FAILURE(
        startSim(QStringLiteral("127.0.22.4"), {"--standby-before-reply", "6"}));
    const CliRun run = cli({"--json", "info"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errorText.contains("the matrix is in standby")) << run.errorText.toStdString();
    EXPECT_TRUE(run.output.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(BothLinks, DeviceCli, ::testing::Values(Link::Com, Link::Tcp), linkName);

} // namespace
