// quorvane-cli's commands run in process against the simulated matrix, on virtual time, over both
// links: one table of command x outcome (done, no answer, standby, refused, the link going down, a
// wait of the command's own running out), each row with the exit status, the reason printed, the
// outcome the page reported, what went to standard output and, where a wait decides it, the
// moment on the virtual clock the command ended; after every "done" the simulated matrix holds
// what was asked. Beside it, the exit status as a function of the outcome alone: every kind with
// every text of the table gives the same status.
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/OutcomeStatus.h"
#include "cli/Session.h"

#include "core/app/Outcome.h"
#include "virtual_world.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace quorvane;
using namespace quorvane::cli;
using quorvane::test::VirtualWorld;

namespace {

// Where the simulated matrix listens over TCP.
const char* const MatrixAddress = "127.0.0.1";

enum class Links { Both, ComOnly, TcpOnly };

struct Row {
    const char* name;
    std::vector<std::string> words; // the command and its arguments
    std::function<void(sim::Faults&)> faults;
    int status;
    const char* reason; // the start of the failure line ("" for done)
    // The last outcome the page reported, when the row ends with one.
    std::optional<Outcome::Kind> outcome = std::nullopt;
    // Checked after a done row: the simulated matrix holds what was asked.
    std::function<bool(const sim::DeviceState&)> holds = nullptr;
    Links links = Links::Both;
    // When given: the moment on the virtual clock (ms from the start) the command ended.
    std::int64_t endsAtMs = -1;
    // When given: everything written to standard output. A failure writes nothing there unless
    // its row says otherwise.
    std::optional<std::string> output = std::nullopt;
    // More for the world before the command runs (the matrix's connect delay, ...).
    std::function<void(VirtualWorld&)> world = nullptr;
};

void none(sim::Faults&) {}
// Nothing is answered any more: every wait ends in a time-out.
void silent(sim::Faults& f) {
    f.dropReply = 1;
    f.dropCount = 1000;
}
void standbyFirst(sim::Faults& f) {
    f.standbyBeforeReply = 1;
}

// A 128-byte EDID the matrix takes: the header, nothing else, the checksum in its last byte.
std::string edidFile() {
    static QTemporaryDir folder;
    static const std::string path = [] {
        QByteArray bytes(128, '\0');
        const unsigned char header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
        unsigned sum = 0;
        for (int i = 0; i < 8; ++i) {
            bytes[i] = static_cast<char>(header[i]);
            sum += header[i];
        }
        bytes[127] = static_cast<char>((256 - sum % 256) % 256);
        QFile file(folder.filePath(QStringLiteral("monitor.bin")));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return std::string();
        return file.fileName().toStdString();
    }();
    return path;
}

// A firmware file as the firmware page reads it: `plain` scrambled (every byte XORed with the
// low byte of the length XORed with A7).
std::string firmwareFile(const char* name, QByteArray plain) {
    static QTemporaryDir folder;
    const auto key = static_cast<char>((plain.size() & 0xFF) ^ 0xA7);
    for (char& byte : plain)
        byte = static_cast<char>(byte ^ key);
    QFile file(folder.filePath(QString::fromLatin1(name)));
    if (!file.open(QIODevice::WriteOnly) || file.write(plain) != plain.size())
        return std::string();
    return file.fileName().toStdString();
}
// One part (the marker A5 5A, then 298 bytes of 01), and a file without a marker.
std::string onePartFirmware() {
    static const std::string path =
        firmwareFile("main.fw", QByteArray("\xA5\x5A", 2) + QByteArray(298, '\x01'));
    return path;
}
std::string unmarkedFirmware() {
    static const std::string path = firmwareFile("plain.fw", QByteArray(40, '\x01'));
    return path;
}
// Part 1's flash holds the 298 bytes of 01 after the marker.
bool holdsOnePart(const sim::DeviceState& s) {
    const auto& image = s.firmwareImages[0];
    if (image.size() < 298)
        return false;
    for (std::size_t i = 0; i < 298; ++i) {
        if (image[i] != 0x01)
            return false;
    }
    return true;
}

// Virtual time: the simulated matrix answers 5 ms after it is asked (a matrix on the network
// answers the search's broadcast after 5 ms too); a connect completes without time passing.
constexpr std::int64_t AnswerMs = 5;
// A page's waits for an answer: the first query or command of a status read or a route gets 3 s,
// then it is sent once more and gets 5 s; an EDID request 5 s, then 5 s more; the check of a
// copy's source output 5 s; the start of a firmware part 3 s, then 3 s more.
constexpr std::int64_t FirstChanceMs = 3000;
constexpr std::int64_t SecondChanceMs = 5000;
constexpr std::int64_t EdidChanceMs = 5000;
constexpr std::int64_t PartStartChanceMs = 3000;
// The command's own waits: a switch's confirmation, a connect, the search's quiet time and its
// whole length.
constexpr std::int64_t SwitchLimitMs = 11000;
constexpr std::int64_t ConnectLimitMs = 5000;
constexpr std::int64_t SearchQuietMs = 5000;
constexpr std::int64_t SearchLongestMs = 10000;

// The search's answer as it is listed, once per answer that came.
std::string listed(const char* ip, const char* mac, int answers) {
    std::string list;
    for (int i = 0; i < answers; ++i) {
        list += std::string(i == 0 ? "" : ",") + "{\"ip\":\"" + ip + "\",\"mac\":\"" + mac + "\"}";
    }
    return "{\"matrices\":[" + list + "]}\n";
}

// The status of the matrix as it starts: every output shows the input of its own number.
const char* const StartRouting = "A 1\nB 2\nC 3\nD 4\nE 5\nF 6\nG 7\nH 8\n";

// A host on the network that answers the search every 100 ms for 30 s, whether asked or not:
// MAC 02 51 56 00 00 0B, address 10.231.10.3, marker 77 88.
void chattyHost(VirtualWorld& world) {
    std::vector<std::uint8_t> reply(55, 0);
    const std::uint8_t head[10] = {0x02, 0x51, 0x56, 0x00, 0x00, 0x0B, 10, 231, 10, 3};
    std::copy(std::begin(head), std::end(head), reply.begin());
    reply[18] = 0x77;
    reply[19] = 0x88;
    // Each answer goes to the socket bound when it is sent (the search binds its port first).
    for (int i = 1; i <= 300; ++i) {
        world.virtualClock.schedule(i * 100, [&world, reply] {
            world.network.deliver(30600, reply, 0, {0x0AE70A03, 30600});
        });
    }
}

const std::vector<Row>& rows() {
    using K = Outcome::Kind;
    static const std::vector<Row> table{
        // Eight queries, each answered after 5 ms, and nothing waited for beyond them.
        {"StatusDone",
         {"status"},
         none,
         ExitDone,
         "",
         K::Done,
         nullptr,
         Links::Both,
         8 * AnswerMs,
         StartRouting},
        {"StatusNoAnswer",
         {"status"},
         silent,
         ExitMatrix,
         "the matrix did not answer (\"Time out!\")",
         K::TimedOut,
         nullptr,
         Links::Both,
         FirstChanceMs + SecondChanceMs},
        {"StatusStandby",
         {"status"},
         standbyFirst,
         ExitMatrix,
         "the matrix is in standby (\"Matrix is in standby mode!\")",
         K::Standby},
        {"StatusLineHangsUp",
         {"status"},
         [](sim::Faults& f) { f.hangUpAfterReply = 1; },
         ExitMatrix,
         "the serial line to the matrix failed",
         std::nullopt,
         nullptr,
         Links::ComOnly},
        {"StatusConnectionClosed",
         {"status"},
         [](sim::Faults& f) { f.closeAfterReply = 1; },
         ExitMatrix,
         "the matrix closed the TCP connection",
         std::nullopt,
         nullptr,
         Links::TcpOnly},

        // The answer for output C is lost: its query is sent once more after its 5 s, and the read
        // goes on.
        {"StatusAnswerLost",
         {"status"},
         [](sim::Faults& f) { f.dropReply = 3; },
         ExitDone,
         "",
         K::Done,
         nullptr,
         Links::Both,
         SecondChanceMs + 8 * AnswerMs,
         StartRouting},

        {"RouteDone",
         {"route", "B", "5"},
         none,
         ExitDone,
         "",
         K::Done,
         [](const sim::DeviceState& s) { return s.routing[1] == 5; }},
        {"RouteNoAnswer",
         {"route", "C", "4"},
         silent,
         ExitMatrix,
         "the matrix did not answer (\"Time out!\")",
         K::TimedOut,
         nullptr,
         Links::Both,
         FirstChanceMs + SecondChanceMs},
        {"RouteStandby",
         {"route", "C", "4"},
         standbyFirst,
         ExitMatrix,
         "the matrix is in standby (\"Matrix is in standby mode!\")",
         K::Standby},

        {"InfoDone", {"info"}, none, ExitDone, "", K::Done},
        {"InfoNoAnswer",
         {"info"},
         silent,
         ExitMatrix,
         "the matrix did not answer (\"Time out!\")",
         K::TimedOut},
        {"InfoStandby",
         {"info"},
         standbyFirst,
         ExitMatrix,
         "the matrix is in standby (\"Matrix is in standby mode!\")",
         K::Standby},

        {"EdidNamesDone", {"edid", "names"}, none, ExitDone, "", K::Done},
        {"EdidNamesNoAnswer",
         {"edid", "names"},
         silent,
         ExitMatrix,
         "the matrix did not answer (\"Time out!\")",
         K::TimedOut,
         nullptr,
         Links::Both,
         2 * EdidChanceMs},
        {"EdidSetDone",
         {"edid", "set", "3", "IN2"},
         none,
         ExitDone,
         "",
         K::Done,
         [](const sim::DeviceState& s) { return s.inputEdid[1] == 2; }},
        {"EdidSetNoAnswer",
         {"edid", "set", "3", "IN2"},
         silent,
         ExitMatrix,
         "the matrix did not answer (\"Time out!\")",
         K::TimedOut,
         nullptr,
         Links::Both,
         2 * EdidChanceMs},
        {"EdidSetStandby",
         {"edid", "set", "3", "IN2"},
         standbyFirst,
         ExitMatrix,
         "the matrix is in standby (\"Matrix is in standby mode!\")",
         K::Standby},
        {"EdidSetSwitchWrong",
         {"edid", "set", "3", "IN2"},
         [](sim::Faults& f) { f.edidSwitchWrong = true; },
         ExitMatrix,
         "the matrix refused (\"Please set the EDID to [1111]!\")",
         K::Refused},
        {"EdidCopyDone",
         {"edid", "copy", "B", "IN3"},
         none,
         ExitDone,
         "",
         K::Done,
         [](const sim::DeviceState& s) { return s.inputEdid[2] == 0x10; }},
        // Output E has no display attached.
        {"EdidCopyNoDisplay",
         {"edid", "copy", "E", "IN3"},
         none,
         ExitMatrix,
         "the matrix refused (\"HDMI OUT E is not connected!\")",
         K::Refused},
        {"EdidCopyNoAnswer",
         {"edid", "copy", "B", "all"},
         silent,
         ExitMatrix,
         "the matrix did not answer (\"Time out!\")",
         K::TimedOut,
         nullptr,
         Links::Both,
         EdidChanceMs},
        {"EdidLoadDone",
         {"edid", "load", edidFile(), "IN2"},
         none,
         ExitDone,
         "",
         K::Done,
         [](const sim::DeviceState& s) { return s.edidDownloaded[1] && s.inputEdid[1] == 0x17; }},
        {"EdidLoadRefused",
         {"edid", "load", edidFile(), "IN2"},
         [](sim::Faults& f) { f.edidDownloadFails = true; },
         ExitMatrix,
         "the matrix refused (\"Download failed!\")",
         K::Refused},
        {"EdidLoadNoAnswer",
         {"edid", "load", edidFile(), "all"},
         silent,
         ExitMatrix,
         "the matrix did not answer (\"Time out!\")",
         K::TimedOut,
         nullptr,
         Links::Both,
         2 * EdidChanceMs},

        {"FwUpgradeDone",
         {"fw", "upgrade", onePartFirmware()},
         none,
         ExitDone,
         "",
         K::Done,
         holdsOnePart,
         Links::ComOnly},
        {"FwUpgradeDoneJson",
         {"--json", "fw", "upgrade", onePartFirmware()},
         none,
         ExitDone,
         "",
         K::Done,
         holdsOnePart,
         Links::ComOnly,
         -1,
         "{\"line\":\"Part_1.1.0.0 upgrading complete\",\"part\":1,\"result\":\"complete\"}\n"
         "{\"file\":\"" +
             onePartFirmware() + "\",\"result\":\"success\"}\n"},
        {"FwUpgradeRefused",
         {"fw", "upgrade", onePartFirmware()},
         [](sim::Faults& f) { f.refuseFirmwarePart = 1; },
         ExitMatrix,
         "the matrix refused (\"Write to Part_1.1.0.0 failed!\")",
         K::Refused,
         nullptr,
         Links::ComOnly},
        {"FwUpgradeNoAnswer",
         {"fw", "upgrade", onePartFirmware()},
         silent,
         ExitMatrix,
         "the matrix did not answer (\"Time out!\")",
         K::TimedOut,
         nullptr,
         Links::ComOnly,
         2 * PartStartChanceMs},
        {"FwUpgradeStandby",
         {"fw", "upgrade", onePartFirmware()},
         standbyFirst,
         ExitMatrix,
         "the matrix is in standby (\"Matrix is in standby mode!\")",
         K::Standby,
         nullptr,
         Links::ComOnly},
        // Nothing is sent for a file without a marker: the file is what cannot be used.
        {"FwUpgradeNoMarker",
         {"fw", "upgrade", unmarkedFirmware()},
         none,
         ExitUsage,
         "the page cannot send what was given (\"Upgrade failed!\")",
         K::InvalidInput,
         nullptr,
         Links::ComOnly},

        {"BeepOffDone",
         {"beep", "off"},
         none,
         ExitDone,
         "",
         std::nullopt,
         [](const sim::DeviceState& s) { return !s.beepOn; }},
        {"DviOnDone",
         {"dvi", "on"},
         none,
         ExitDone,
         "",
         std::nullopt,
         [](const sim::DeviceState& s) { return s.dviOn; }},
        // The switch's own wait: the beep state query of "Connect" is answered, the switch and
        // its second sending are not; the command gives up 11 s after asking.
        {"BeepOnUnconfirmedCom",
         {"beep", "on"},
         [](sim::Faults& f) {
             f.dropReply = 2;
             f.dropCount = 10;
         },
         ExitMatrix,
         "the matrix did not confirm the switch",
         std::nullopt,
         nullptr,
         Links::ComOnly,
         SwitchLimitMs},
        {"BeepOnUnconfirmedTcp",
         {"beep", "on"},
         [](sim::Faults& f) {
             f.dropReply = 1;
             f.dropCount = 10;
         },
         ExitMatrix,
         "the matrix did not confirm the switch",
         std::nullopt,
         nullptr,
         Links::TcpOnly,
         SwitchLimitMs},
        // A connect that neither completes nor fails is given up after 5 s.
        {"ConnectNeverCompletes",
         {"status"},
         none,
         ExitLink,
         "no answer from 127.0.0.1:8000 within 5 s",
         std::nullopt,
         nullptr,
         Links::TcpOnly,
         ConnectLimitMs,
         std::nullopt,
         [](VirtualWorld& w) { w.matrix.setConnectDelayMs(60000); }},

        // The search: a matrix that answers is listed; the search ends 5 s after its last answer.
        {"DiscoverFindsOne",
         {"--json", "discover"},
         none,
         ExitDone,
         "",
         std::nullopt,
         nullptr,
         Links::TcpOnly,
         AnswerMs + SearchQuietMs,
         listed("10.231.8.2", "02515600000A", 1),
         [](VirtualWorld& w) {
             w.network.addMatrix({{0x02, 0x51, 0x56, 0x00, 0x00, 0x0A}, 0x0AE70802, false});
         }},
        {"DiscoverNoAnswer",
         {"--json", "discover"},
         none,
         ExitMatrix,
         "no matrix answered the search",
         std::nullopt,
         nullptr,
         Links::TcpOnly,
         SearchQuietMs,
         listed("", "", 0)},
        // However many answers come, the search ends 10 s after its broadcast: the 99 answers
        // that came by then are listed, each as it came.
        {"DiscoverChattyHost",
         {"--json", "discover"},
         none,
         ExitDone,
         "",
         std::nullopt,
         nullptr,
         Links::TcpOnly,
         SearchLongestMs,
         listed("10.231.10.3", "02515600000B", 99),
         chattyHost},

        {"BeepNoAnswer",
         {"beep", "off"},
         silent,
         ExitMatrix,
         "the matrix did not confirm the switch",
         std::nullopt,
         nullptr,
         Links::Both,
         SwitchLimitMs},
        // Over the serial link the second reply is the switch's acknowledgement (the first
        // answers the beep state query of "Connect"); byte 6 not 00 refuses it.
        {"BeepRefused",
         {"beep", "off"},
         [](sim::Faults& f) {
             f.alterReply = 2;
             f.alterByte = 6;
             f.alterAdd = 1;
         },
         ExitMatrix,
         "the matrix refused to turn beep off",
         std::nullopt,
         nullptr,
         Links::ComOnly},
    };
    return table;
}

struct Case {
    std::size_t row;
    bool tcp;
};

std::vector<Case> cases() {
    std::vector<Case> out;
    for (std::size_t i = 0; i < rows().size(); ++i) {
        if (rows()[i].links != Links::TcpOnly)
            out.push_back({i, false});
        if (rows()[i].links != Links::ComOnly)
            out.push_back({i, true});
    }
    return out;
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    return std::string(rows()[info.param.row].name) + (info.param.tcp ? "Tcp" : "Com");
}

class CommandOutcome : public ::testing::TestWithParam<Case> {};

TEST_P(CommandOutcome, ExitStatusReasonAndDeviceState) {
    const Row& row = rows()[GetParam().row];
    const bool tcp = GetParam().tcp;
    VirtualWorld world;
    world.device.state().rebootMs = 0;
    // A connect completes on the clock's next turn, without time passing: both links' waits then
    // end at the same moment.
    world.matrix.setConnectDelayMs(0);
    row.faults(world.device.faults());
    if (row.world)
        row.world(world);

    Invocation invocation;
    if (tcp) {
        invocation.link.kind = LinkChoice::Kind::Tcp;
        invocation.link.address = MatrixAddress;
    } else {
        invocation.link.kind = LinkChoice::Kind::Com;
        invocation.link.port = 1;
    }
    invocation.words = row.words;
    if (!invocation.words.empty() && invocation.words.front() == "--json") {
        invocation.json = true;
        invocation.words.erase(invocation.words.begin());
    }
    std::size_t used = 0;
    const Command* command = findCommand(invocation.words, used);
    ASSERT_NE(command, nullptr);
    const std::vector<std::string> arguments(
        invocation.words.begin() + static_cast<std::ptrdiff_t>(used), invocation.words.end());
    int status = -1;
    std::string reason;
    std::vector<Outcome> outcomes;
    ::testing::internal::CaptureStdout();
    {
        Session session(invocation, &world);
        status = command->run(session, arguments);
        reason = session.failureText();
        outcomes = session.outcomes();
    }
    const std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, row.status) << reason;
    EXPECT_EQ(reason.substr(0, std::string(row.reason).size()), row.reason) << reason;
    if (row.status == ExitDone) {
        EXPECT_EQ(reason, "");
    }
    if (row.outcome) {
        ASSERT_FALSE(outcomes.empty());
        EXPECT_EQ(outcomes.back().kind, *row.outcome);
    }
    if (row.holds) {
        EXPECT_TRUE(row.holds(world.device.state()));
    }
    if (row.output) {
        EXPECT_EQ(output, *row.output);
    } else if (row.status != ExitDone) {
        EXPECT_EQ(output, "");
    }
    if (row.endsAtMs >= 0) {
        EXPECT_EQ(world.virtualClock.nowMs(), row.endsAtMs);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CommandOutcome, ::testing::ValuesIn(cases()), caseName);

// The exit status of each kind, as the README's table gives it.
TEST(OutcomeExitStatus, EveryKindMapsToTheDocumentedStatusWhateverItsText) {
    using K = Outcome::Kind;
    const std::vector<std::pair<K, int>> expected{
        {K::Done, 0},     {K::TimedOut, 1}, {K::Standby, 1}, {K::LinkLost, 1},
        {K::LinkDown, 3}, {K::Refused, 1},  {K::Busy, 1},    {K::InvalidInput, 2},
    };
    ASSERT_EQ(expected.size(), AllOutcomeKinds.size());
    int checked = 0;
    for (const auto& [kind, status] : expected) {
        EXPECT_EQ(exitStatusFor(kind), status) << static_cast<int>(kind);
        // Changing nothing but the text: every text of the table (and every blank's filling),
        // through the session that turns outcomes into the command's status.
        for (std::size_t text = 0; text < TextCount; ++text) {
            for (const int output : {0, 3}) {
                Invocation invocation;
                invocation.link.kind = LinkChoice::Kind::Tcp;
                invocation.link.address = "127.0.33.250";
                VirtualWorld world;
                Session session(invocation, &world);
                session.onOutcome({kind, static_cast<Text>(text), output});
                EXPECT_EQ(session.failure(), status)
                    << static_cast<int>(kind) << " with text " << text;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, static_cast<int>(AllOutcomeKinds.size() * TextCount * 2));
}

// The reason names the link that could not be had; the page's text follows in quotes.
TEST(OutcomeExitStatus, FailureLinesNameTheLinkAndQuoteTheText) {
    using K = Outcome::Kind;
    struct Line {
        Outcome outcome;
        LinkChoice::Kind link;
        const char* line;
    };
    const std::vector<Line> lines{
        {{K::TimedOut, Text::TimeOut},
         LinkChoice::Kind::Com,
         "the matrix did not answer (\"Time out!\")"},
        {{K::LinkDown, Text::OpenComFailed},
         LinkChoice::Kind::Com,
         "the serial port could not be opened (\"Open COM failed!\")"},
        {{K::LinkDown, Text::ConnectFailed},
         LinkChoice::Kind::Tcp,
         "the connection to the matrix could not be made (\"Connect to Matrix failed!\")"},
        {{K::LinkDown, Text::SearchFailed},
         LinkChoice::Kind::None,
         "UDP port 30600 could not be had for the search (\"Search failed\")"},
        {{K::LinkLost, Text::ConnectionLost},
         LinkChoice::Kind::Tcp,
         "the connection to the matrix was lost (\"Connection to Matrix lost!\")"},
        {{K::Refused, Text::OutputNotConnected, 3},
         LinkChoice::Kind::Tcp,
         "the matrix refused (\"HDMI OUT C is not connected!\")"},
        {{K::Busy, Text::PleaseWait},
         LinkChoice::Kind::Com,
         "the page is still busy with an earlier request (\"Please wait...\")"},
        {{K::Refused, Text::None}, LinkChoice::Kind::Com, "the matrix refused"},
    };
    for (const Line& line : lines)
        EXPECT_EQ(failureLine(line.outcome, line.link), line.line);
}

} // namespace
