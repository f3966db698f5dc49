// quorvane-cli's command line: usage errors are exit status 2 with a message and a pointer to
// the help, every command has its --help, and --version prints the version. No matrix is needed:
// nothing here gets as far as opening a link.
#include "CliProcess.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvane::test;

namespace {

struct UsageCase {
    QStringList arguments;
    const char* message;
};

class UsageCli : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageCli, IsStatus2WithAMessage) {
    QTemporaryDir runtime;
    const CliRun run = runCli(runtime.path(), GetParam().arguments);
    EXPECT_EQ(run.exitCode, 2) << run.errorText.toStdString();
    EXPECT_TRUE(run.errorText.contains(GetParam().message)) << run.errorText.toStdString();
    EXPECT_TRUE(run.output.isEmpty()) << run.output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Errors, UsageCli,
    ::testing::Values(
        UsageCase{{"status"}, "status needs the link to the matrix: --com N or --tcp ADDRESS"},
        UsageCase{{"--com", "1", "--tcp", "127.0.0.1", "status"},
                  "give one link: --com, --port or --tcp"},
        UsageCase{{"--com", "20", "status"}, "--com takes a port number 1..19"},
        UsageCase{{"--com"}, "--com needs a value"},
        UsageCase{{"--tcp", "matrix.local", "status"}, "--tcp takes the matrix's IPv4 address"},
        UsageCase{{"--com", "1", "route", "I", "3"}, "OUTPUT is A..H or 1..8, not 'I'"},
        UsageCase{{"--com", "1", "route", "A", "9"}, "INPUT is 1..8, not '9'"},
        UsageCase{{"--com", "1", "route", "A"}, "route needs OUTPUT INPUT"},
        UsageCase{{"--com", "1", "status", "now"}, "status: unexpected argument 'now'"},
        UsageCase{{"--com", "1", "beep", "loud"}, "beep takes on or off, not 'loud'"},
        UsageCase{{"--com", "1", "edid", "set", "16", "IN1"}, "MODE is 1..15, default"},
        UsageCase{{"--com", "1", "edid", "copy", "A", "IN9"}, "TARGET is IN1..IN8 or all"},
        UsageCase{{"--com", "1", "edid", "erase"}, "unknown command: edid erase"},
        UsageCase{{"edid", "show", "/nonexistent/edid.bin"}, "/nonexistent/edid.bin"},
        UsageCase{{"--verbose", "status"}, "unknown option --verbose"},
        UsageCase{{"frobnicate"}, "unknown command: frobnicate"}));

TEST(HelpCli, EveryCommandHasItsHelpAndTheProgramItsVersion) {
    QTemporaryDir runtime;
    const QList<QStringList> commands{{"status"},
                                      {"route"},
                                      {"info"},
                                      {"beep"},
                                      {"dvi"},
                                      {"edid", "names"},
                                      {"edid", "set"},
                                      {"edid", "copy"},
                                      {"edid", "load"},
                                      {"edid", "show"},
                                      {"discover"},
                                      {"ports"},
                                      {"names"},
                                      {"names", "set"},
                                      {"names", "clear"},
                                      {"presets"},
                                      {"preset", "save"},
                                      {"preset", "apply"}};
    for (const QStringList& words : commands) {
        const CliRun run = runCli(runtime.path(), words + QStringList{"--help"});
        EXPECT_EQ(run.exitCode, 0) << words.join(' ').toStdString();
        EXPECT_TRUE(run.output.startsWith("Usage: quorvane-cli ")) << run.output.toStdString();
        EXPECT_TRUE(run.output.contains(" [--json] " + words.join(' ')))
            << run.output.toStdString();
    }
    const CliRun program = runCli(runtime.path(), {"--help"});
    EXPECT_EQ(program.exitCode, 0);
    for (const char* line :
         {"  0  done", "  1  the matrix did not answer, refused, or is in standby",
          "  2  a usage error", "  3  the link could not be opened"})
        EXPECT_TRUE(program.output.contains(line)) << line;

    const CliRun version = runCli(runtime.path(), {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^quorvane-cli \\d+\\.\\d+\\n$"))
                    .match(version.output)
                    .hasMatch())
        << version.output.toStdString();
}

} // namespace
