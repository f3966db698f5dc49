// quorvane-cli status and route against quorvane-sim over both links: the JSON field by field,
// a route read back by a later status, and the matrix's failures (no answer, standby) as exit
// status 1 with the page's message.
#include "cli_fixture.h"

#include <QJsonObject>

using namespace quorvane::test;

namespace {

class RoutingCli : public CliTest {};

TEST_P(RoutingCli, StatusPrintsEveryOutputsInputAndARouteChangesOne) {
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.21.1")));
    const CliRun before = cli({"--json", "status"});
    ASSERT_EQ(before.exitCode, 0) << before.errorText.toStdString();
    ASSERT_TRUE(before.isJson()) << before.output.toStdString();
    const QJsonObject outputs = before.json()["outputs"].toObject();
    EXPECT_EQ(outputs.size(), 8);
    // The simulated matrix starts with input n on output n.
    const char* letters = "ABCDEFGH";
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(outputs[QString(QLatin1Char(letters[i]))].toInt(), i + 1) << letters[i];

    const CliRun route = cli({"--json", "route", "b", "5"});
    ASSERT_EQ(route.exitCode, 0) << route.errorText.toStdString();
    EXPECT_EQ(route.json(), (QJsonObject{{"output", "B"}, {"input", 5}}));
    // OUTPUT as a number works as well as the letter.
    EXPECT_EQ(cli({"route", "8", "IN2"}).output, "H 2\n");

    const CliRun after = cli({"status"});
    ASSERT_EQ(after.exitCode, 0) << after.errorText.toStdString();
    EXPECT_EQ(after.output, "A 1\nB 5\nC 3\nD 4\nE 5\nF 6\nG 7\nH 2\n");
    // The frames on the wire are the catalogue's: route input 5 to output 2.
    EXPECT_TRUE(sim->standardError().contains("A5 5B 02 03 05 00 02 00 00 00 00 00 F4"))
        << sim->standardError().toStdString();
}

// Waits that run out (no acknowledgement, an answer lost and asked for again) are run in process
// on virtual time: outcome_table_test.cpp.

TEST_P(RoutingCli, StandbyDuringTheStatusReadEndsItWithStatus1) {
    ASSERT_NO_FATAL_FAILURE(
        startSim(QStringLiteral("127.0.21.4"), {"--standby-before-reply", "2"}));
    const CliRun run = cli({"--json", "status"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errorText.contains("the matrix is in standby (\"Matrix is in standby mode!\")"))
        << run.errorText.toStdString();
    EXPECT_TRUE(run.output.isEmpty());
}

TEST_P(RoutingCli, TheLinkGoingDownMidwayIsTheMatrixGone) {
    // Serial: the line hangs up after the first answer; TCP: the matrix closes the connection.
    const bool com = GetParam() == Link::Com;
    ASSERT_NO_FATAL_FAILURE(startSim(QStringLiteral("127.0.21.5"),
                                     {com ? "--hang-up-after-reply" : "--close-after-reply", "1"}));
    const CliRun run = cli({"status"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errorText.contains(com ? "the serial line to the matrix failed"
                                           : "the matrix closed the TCP connection"))
        << run.errorText.toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothLinks, RoutingCli, ::testing::Values(Link::Com, Link::Tcp), linkName);

} // namespace
