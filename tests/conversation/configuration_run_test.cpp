// Configuration backup and restore against the in-process matrix, in virtual time: what a backup
// finds, what a restore sends and leaves the matrix holding, with faults at the steps that matter.
#include "InProcessPageFixture.h"
#include "core/site/ConfigurationRun.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::test {
namespace {

using site::Configuration;
using site::ConfigurationRun;
using State = ConfigurationRun::ItemState;

class ConfigurationRunTest : public ::testing::Test, protected InProcessPageFixture {
protected:
    // The link of the page that is shown, with a frame handler of its own that counts what the
    // run hands on.
    void connect(bool tcp) {
        state = LinkState{};
        link.setFrameHandler([this](const Frame&, bool, Transport) { ++handedOn; });
        run = std::make_unique<ConfigurationRun>(link, *timers);
        run->setOutcomeListener([this](const Outcome& o) { outcomes.push_back(o); });
        if (tcp) {
            useReadyTcp();
            link.connectMatrix();
        } else {
            useOpenCom1();
            serial->setByteHandler(
                [this](std::uint8_t b, int port) { link.onSerialByte(b, port); });
            ASSERT_TRUE(link.openSerial(1, state.pageSerialSettings));
        }
        clock.advance(10);
        device.clearFramesSeen();
    }
    // Runs until the run has ended (at most two minutes of virtual time).
    void finish() {
        for (int i = 0; i < 1200 && run->running(); ++i)
            clock.advance(100);
    }
    std::vector<State> states() const {
        std::vector<State> out;
        for (const auto& item : run->items())
            out.push_back(item.state);
        return out;
    }
    // The command bytes 2..3 of every frame the matrix took in since the last check.
    std::vector<std::string> commandsSent() {
        std::vector<std::string> out;
        char text[8];
        for (const Bytes& f : framesToMatrix()) {
            std::snprintf(text, sizeof text, "%02X %02X", f[2], f[3]);
            out.emplace_back(text);
        }
        return out;
    }

    PageLink link{state, *serial, matrix.tcp(), clock, {}};
    std::unique_ptr<ConfigurationRun> run;
    std::vector<Outcome> outcomes;
    int handedOn = 0;
};

// The simulator's defaults: output o shows input o, the default EDID (reported as the built-in
// "1080p,Stereo Audio 2.0") everywhere, beep on, DVI compatibility off.
Configuration defaults() {
    Configuration c;
    for (int i = 0; i < 8; ++i) {
        c.routes[static_cast<std::size_t>(i)] = i + 1;
        c.edid[static_cast<std::size_t>(i)] = "1080p,Stereo Audio 2.0";
    }
    c.beep = true;
    c.dvi = false;
    return c;
}

struct BackupRow {
    const char* name;
    bool tcp;
    std::function<void(sim::DeviceState&)> setUp;
    std::function<void(Configuration&)> expect; // changes to defaults()
};

TEST_F(ConfigurationRunTest, BackupReadsEveryRouteEdidAndSwitch) {
    const std::vector<BackupRow> rows = {
        {"defaults over serial", false, [](sim::DeviceState&) {}, [](Configuration&) {}},
        {"defaults over TCP", true, [](sim::DeviceState&) {}, [](Configuration&) {}},
        {"changed over serial", false,
         [](sim::DeviceState& s) {
             s.routing = {3, 3, 1, 8, 5, 6, 2, 7};
             s.inputEdid[0] = 0x00; // 1080i stereo
             s.inputEdid[1] = 0x17; // downloaded from a file
             s.inputEdid[2] = 0x10; // copy of output B
             s.inputEdid[7] = 0x0E; // DVI 1920X1200
             s.beepOn = false;
             s.dviOn = true;
         },
         [](Configuration& c) {
             c.routes = {3, 3, 1, 8, 5, 6, 2, 7};
             c.edid[0] = "1080i,Stereo Audio 2.0";
             c.edid[1] = "User define";
             c.edid[2] = "Copy HDMI OUT B";
             c.edid[7] = "DVI 1920X1200";
             c.beep = false;
             c.dvi = true;
         }},
        {"no input reported for output C over TCP", true,
         [](sim::DeviceState& s) { s.routing[2] = 0xFF; },
         [](Configuration& c) { c.routes[2].reset(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        device.state() = sim::DeviceState{};
        row.setUp(device.state());
        outcomes.clear();
        connect(row.tcp);
        run->backup();
        finish();
        Configuration expected = defaults();
        row.expect(expected);
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].kind, Outcome::Kind::Done);
        EXPECT_EQ(run->found(), expected);
        EXPECT_EQ(run->stepsDone(), 18);
        // Queries only, in order: eight routes, eight EDIDs, beep, DVI.
        const std::vector<std::string> sent = commandsSent();
        ASSERT_EQ(sent.size(), 18u);
        EXPECT_EQ(sent[0], "02 01");
        EXPECT_EQ(sent[7], "02 01");
        EXPECT_EQ(sent[8], "01 0C");
        EXPECT_EQ(sent[15], "01 0C");
        EXPECT_EQ(sent[16], "01 0B");
        EXPECT_EQ(sent[17], "01 0D");
        run.reset();
    }
}

TEST_F(ConfigurationRunTest, BackupSendsLiteralQueries) {
    connect(false);
    run->backup();
    finish();
    const std::vector<Bytes> frames = framesToMatrix();
    ASSERT_EQ(frames.size(), 18u);
    EXPECT_EQ(frames[1], (Bytes{0xA5, 0x5B, 0x02, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0xFB}));
    EXPECT_EQ(frames[10], (Bytes{0xA5, 0x5B, 0x01, 0x0C, 0x03, 0, 0, 0, 0, 0, 0, 0, 0xF0}));
    EXPECT_EQ(frames[16], (Bytes{0xA5, 0x5B, 0x01, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0xF4}));
    EXPECT_EQ(frames[17], (Bytes{0xA5, 0x5B, 0x01, 0x0D, 0, 0, 0, 0, 0, 0, 0, 0, 0xF2}));
}

struct RestoreRow {
    const char* name;
    bool tcp;
    bool dryRun;
    std::function<void(Configuration&)> want; // changes to defaults()
    // Faults, set once the read's 18 replies are counted (reply 19 answers the first command).
    std::function<void(sim::Faults&)> faults;
    Outcome::Kind kind;
    std::string wording;
    std::vector<State> states; // 8 routes, 8 EDIDs, beep, DVI
    // What the matrix holds afterwards: routes A..H, EDID indexes IN1..IN8, beep, DVI.
    std::array<std::uint8_t, 8> routes;
    std::array<std::uint8_t, 8> edids;
    bool beep;
    bool dvi;
};

constexpr State S = State::Same;
constexpr State C = State::Changed;
constexpr State L = State::LeftAlone;
constexpr State W = State::WouldChange;
constexpr State N = State::NotSet;
constexpr State P = State::Pending;
constexpr std::array<std::uint8_t, 8> Straight{1, 2, 3, 4, 5, 6, 7, 8};
constexpr std::array<std::uint8_t, 8> DefaultEdids{3, 3, 3, 3, 3, 3, 3, 3};

void changeSome(Configuration& c) {
    c.routes[1] = 5;                 // B <- 5
    c.routes[6] = 1;                 // G <- 1
    c.edid[2] = "4K2K,HD Audio 7.1"; // IN3: set with 0C, reported as 0B
    c.beep = false;
    c.dvi = true;
}

TEST_F(ConfigurationRunTest, RestoreSetsWhatDiffersAndTheMatrixHoldsIt) {
    const auto none = [](sim::Faults&) {};
    const std::vector<RestoreRow> rows = {
        {"nothing differs",
         false,
         false,
         [](Configuration&) {},
         none,
         Outcome::Kind::Done,
         "Configuration restored: 0 item(s) changed.",
         {S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S, S},
         Straight,
         DefaultEdids,
         true,
         false},
        {"serial: two routes, one EDID, both switches",
         false,
         false,
         changeSome,
         none,
         Outcome::Kind::Done,
         "Configuration restored: 5 item(s) changed.",
         {S, C, S, S, S, S, C, S, S, S, C, S, S, S, S, S, C, C},
         {1, 5, 3, 4, 5, 6, 1, 8},
         {3, 3, 0x0B, 3, 3, 3, 3, 3},
         false,
         true},
        {"TCP: the same",
         true,
         false,
         changeSome,
         none,
         Outcome::Kind::Done,
         "Configuration restored: 5 item(s) changed.",
         {S, C, S, S, S, S, C, S, S, S, C, S, S, S, S, S, C, C},
         {1, 5, 3, 4, 5, 6, 1, 8},
         {3, 3, 0x0B, 3, 3, 3, 3, 3},
         false,
         true},
        {"dry run sends nothing",
         false,
         true,
         changeSome,
         none,
         Outcome::Kind::Done,
         "Dry run: 5 item(s) would change.",
         {S, W, S, S, S, S, W, S, S, S, W, S, S, S, S, S, W, W},
         Straight,
         DefaultEdids,
         true,
         false},
        {"user define, copies and unknown routes are left alone",
         false,
         false,
         [](Configuration& c) {
             c.edid[0] = "User define";
             c.edid[1] = "Copy HDMI OUT C";
             c.routes[3].reset();
         },
         none,
         Outcome::Kind::Done,
         "Configuration restored: 0 item(s) changed.",
         {S, S, S, L, S, S, S, S, L, L, S, S, S, S, S, S, S, S},
         Straight,
         DefaultEdids,
         true,
         false},
        {"a route answer lost once is resent",
         false,
         false,
         changeSome,
         [](sim::Faults& f) { f.dropReply = 19; },
         Outcome::Kind::Done,
         "Configuration restored: 5 item(s) changed.",
         {S, C, S, S, S, S, C, S, S, S, C, S, S, S, S, S, C, C},
         {1, 5, 3, 4, 5, 6, 1, 8},
         {3, 3, 0x0B, 3, 3, 3, 3, 3},
         false,
         true},
        {"a route answer with a bad checksum is resent",
         false,
         false,
         changeSome,
         [](sim::Faults& f) { f.corruptReply = 19; },
         Outcome::Kind::Done,
         "Configuration restored: 5 item(s) changed.",
         {S, C, S, S, S, S, C, S, S, S, C, S, S, S, S, S, C, C},
         {1, 5, 3, 4, 5, 6, 1, 8},
         {3, 3, 0x0B, 3, 3, 3, 3, 3},
         false,
         true},
        {"a route never answered is named, the rest goes on",
         false,
         false,
         changeSome,
         [](sim::Faults& f) {
             f.dropReply = 19;
             f.dropCount = 2;
         },
         Outcome::Kind::TimedOut,
         "Time out! Not set: output B",
         {S, N, S, S, S, S, C, S, S, S, C, S, S, S, S, S, C, C},
         // The matrix took the route; its acknowledgement never came.
         {1, 5, 3, 4, 5, 6, 1, 8},
         {3, 3, 0x0B, 3, 3, 3, 3, 3},
         false,
         true},
        {"two routes never answered over TCP",
         true,
         false,
         changeSome,
         [](sim::Faults& f) {
             f.dropReply = 19;
             f.dropCount = 4;
         },
         Outcome::Kind::TimedOut,
         "Time out! Not set: output B, output G",
         {S, N, S, S, S, S, N, S, S, S, C, S, S, S, S, S, C, C},
         {1, 5, 3, 4, 5, 6, 1, 8},
         {3, 3, 0x0B, 3, 3, 3, 3, 3},
         false,
         true},
        {"EDID switch not at [1111]",
         false,
         false,
         changeSome,
         [](sim::Faults& f) { f.edidSwitchWrong = true; },
         Outcome::Kind::Refused,
         "Please set the EDID to [1111]! Not set: EDID of IN3",
         {S, C, S, S, S, S, C, S, S, S, N, S, S, S, S, S, C, C},
         {1, 5, 3, 4, 5, 6, 1, 8},
         DefaultEdids,
         false,
         true},
        {"standby while setting: the rest is not sent",
         false,
         false,
         changeSome,
         [](sim::Faults& f) { f.standbyBeforeReply = 20; },
         Outcome::Kind::Standby,
         "Matrix is in standby mode!",
         // Route G took effect before the report came; nothing after it was sent.
         {S, C, S, S, S, S, P, S, S, S, P, S, S, S, S, S, P, P},
         {1, 5, 3, 4, 5, 6, 1, 8},
         DefaultEdids,
         true,
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        device.state() = sim::DeviceState{};
        device.faults() = sim::Faults{};
        outcomes.clear();
        connect(row.tcp);
        Configuration want = defaults();
        row.want(want);
        const int base = device.replyCount();
        sim::Faults faults;
        row.faults(faults);
        if (faults.dropReply)
            faults.dropReply += base;
        if (faults.corruptReply)
            faults.corruptReply += base;
        if (faults.standbyBeforeReply)
            faults.standbyBeforeReply += base;
        device.faults() = faults;
        run->restore(want, row.dryRun);
        finish();
        ASSERT_FALSE(run->running());
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].kind, row.kind);
        EXPECT_EQ(outcomes[0].wording(), row.wording);
        EXPECT_EQ(states(), row.states);
        const sim::DeviceState& s = device.state();
        EXPECT_EQ(s.routing, row.routes);
        EXPECT_EQ(s.inputEdid, row.edids);
        EXPECT_EQ(s.beepOn, row.beep);
        EXPECT_EQ(s.dviOn, row.dvi);
        if (row.dryRun) {
            for (const std::string& sent : commandsSent())
                EXPECT_TRUE(sent.rfind("01 ", 0) == 0 || sent.rfind("02 01", 0) == 0) << sent;
        }
        run.reset();
    }
}

TEST_F(ConfigurationRunTest, EndsWithoutSendingWhenItCannot) {
    struct Row {
        const char* name;
        std::function<void()> act;
        Outcome::Kind kind;
        std::string wording;
        std::size_t framesSent;
    };
    const std::vector<Row> rows = {
        {"serial port not open",
         [this] {
             link.closeSerial();
             run->backup();
         },
         Outcome::Kind::LinkDown, "Open COM failed!", 0},
        {"TCP not connected",
         [this] {
             state.controlMode = ControlMode::Tcp;
             state.tcpConnected = false;
             run->restore(defaults(), false);
         },
         Outcome::Kind::LinkDown, "Connect to Matrix failed!", 0},
        {"a second run while one runs",
         [this] {
             run->backup();
             run->restore(defaults(), false);
         },
         Outcome::Kind::Busy, "", 1},
        {"standby while reading: nothing is set",
         [this] {
             device.faults().standbyBeforeReply = device.replyCount() + 4;
             run->restore(defaults(), false);
             finish();
         },
         Outcome::Kind::Standby, "Matrix is in standby mode!", 4},
        {"a query never answered",
         [this] {
             silenceMatrixFor(100);
             run->restore(defaults(), false);
             finish();
         },
         Outcome::Kind::TimedOut, "Time out!", 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        device.faults() = sim::Faults{};
        state = LinkState{};
        outcomes.clear();
        connect(false);
        row.act();
        ASSERT_FALSE(outcomes.empty());
        EXPECT_EQ(outcomes[0].kind, row.kind);
        EXPECT_EQ(outcomes[0].wording(), row.wording);
        const std::vector<std::string> sent = commandsSent();
        EXPECT_EQ(sent.size(), row.framesSent);
        for (const std::string& command : sent)
            EXPECT_TRUE(command.rfind("02 01", 0) == 0) << command; // a query, never a command
        run.reset();
    }
}

TEST_F(ConfigurationRunTest, FramesNotItsOwnGoToThePage) {
    connect(false);
    // Idle: even a standby report is the page's.
    matrix.sendStandbyReport(sim::LinkKind::Serial);
    clock.advance(10);
    EXPECT_EQ(handedOn, 1);
    EXPECT_TRUE(outcomes.empty());
    // Running: an unsolicited beep acknowledgement is the page's, the answers are the run's.
    run->backup();
    feedSerialTo(link, Bytes{0xA5, 0x5B, 0x06, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0xF9});
    finish();
    EXPECT_EQ(handedOn, 2);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].kind, Outcome::Kind::Done);
    // Gone: the page's own handler is back.
    run.reset();
    feedSerialTo(link, Bytes{0xA5, 0x5B, 0x06, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0xF9});
    EXPECT_EQ(handedOn, 3);
}

} // namespace
} // namespace quorvane::test
