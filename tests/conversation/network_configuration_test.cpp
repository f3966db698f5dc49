// Matrix discovery and network configuration in virtual time, through a simulated UDP network with
// simulated matrices: the "Matrix  IP" list, the 76-byte packet, the Configuring window and the
// search after an acceptance.
#include "InProcessConnectionFixture.h"
#include "SimulatedUdpNetwork.h"
#include "core/device/MatrixSearch.h"
#include "core/device/NetworkConfiguration.h"
#include "core/link/TrafficJournal.h"
#include "core/link/TrafficUdpLink.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

struct RecordingConfigView : ConfigurationView {
    void showDialog(const ConfigForm& f) override {
        form = f;
        dialogShown = true;
    }
    void hideDialog() override { dialogShown = false; }
    void showConfiguring(const std::string& text) override {
        configuringShown = true;
        if (texts.empty() || texts.back() != text)
            texts.push_back(text);
    }
    void closeConfiguring() override {
        configuringShown = false;
        texts.push_back("closed");
    }
    ConfigForm form;
    bool dialogShown = false;
    bool configuringShown = false;
    Texts texts;
};

// The matrix of most tests: MAC 02 51 56 00 00 01 at 10.0.0.9.
sim::NetworkIdentity firstMatrix() {
    return {{0x02, 0x51, 0x56, 0x00, 0x00, 0x01}, 0x0A000009, false};
}

// A discovery reply written out: MAC 00 11 22 33 44 55, IP 192.168.0.20, marker `m1 m2`.
Bytes reply(std::uint8_t m1 = 0x77, std::uint8_t m2 = 0x88, std::size_t size = 55) {
    Bytes r(size, 0x00);
    const Bytes head = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0xC0, 0xA8, 0x00, 0x14,
                        0xFF, 0xFF, 0xFF, 0x00, 0xC0, 0xA8, 0x00, 0x01, m1,   m2};
    std::copy(head.begin(), head.end(), r.begin());
    return r;
}

class NetworkConfigurationTest : public ::testing::Test,
                                 protected test::InProcessConnectionFixture {
protected:
    NetworkConfigurationTest() {
        timers->setHandler([this](int id) {
            if (!connection.onTimer(id))
                search.onTimer(id);
        });
        configTimers->setHandler([this](int id) { configuration.onTimer(id); });
        search.setFoundListener([this] { configuration.onMatrixFound(); });
        connection.create();
        connection.chooseTcpMode();
    }

    ConfigForm staticForm(const std::string& a, const std::string& b, const std::string& c,
                          const std::string& d) {
        ConfigForm form;
        form.staticIp = true;
        form.ip = {a, b, c, d};
        form.mac = {"00", "1A", "2B", "3C", "4D", "5E"};
        return form;
    }
    // Searches and lets the replies come.
    void searchNow() {
        search.search();
        clock.advance(50);
    }

    sim::SimulatedUdpNetwork udp{clock};
    std::unique_ptr<Timers> configTimers = clock.createTimers();
    MatrixSearch search{connection, link, udp, *timers, dialogs};
    RecordingConfigView configView;
    NetworkConfiguration configuration{search, udp, clock, *configTimers, dialogs, configView};
};

TEST_F(NetworkConfigurationTest, SearchListsTwoMatricesInOrderOfArrival) {
    udp.addMatrix(firstMatrix());
    udp.deliver(net::DiscoveryPort, reply(), 0); // before the search: not bound, lost
    search.search();
    EXPECT_EQ(udp.boundPort(), 30600);
    ASSERT_EQ(udp.sent().size(), 1u);
    EXPECT_EQ(udp.sent()[0], Bytes{0x61});
    udp.deliver(net::DiscoveryPort, reply(), 8); // a second matrix, later than the first
    clock.advance(50);
    EXPECT_EQ(search.ips(), (Texts{"10.0.0.9", "192.168.0.20"}));
    EXPECT_EQ(search.macs(), (Texts{"025156000001", "001122334455"}));
    EXPECT_EQ(connectionView.screen.ips, (Texts{"10.0.0.9", "192.168.0.20"}));
    EXPECT_EQ(connectionView.screen.ipText, "10.0.0.9");
    EXPECT_EQ(state.matrixIp, "10.0.0.9");
    EXPECT_EQ(search.currentMac(), "025156000001");

    connection.selectIp(1);
    search.selectIp(1);
    EXPECT_EQ(state.matrixIp, "192.168.0.20");
    EXPECT_EQ(search.currentMac(), "001122334455");

    // The socket is given up 5 s after the last reply.
    clock.advance(4900);
    EXPECT_TRUE(udp.isBound());
    clock.advance(100);
    EXPECT_FALSE(udp.isBound());
}

TEST_F(NetworkConfigurationTest, SearchDropsTheTcpConnection) {
    connection.editIpText("127.0.0.1");
    connection.clickTcpConnect();
    clock.advance(150);
    ASSERT_TRUE(state.tcpConnected);
    search.search();
    EXPECT_FALSE(state.tcpConnected);
    EXPECT_FALSE(state.tcpLinkReady);
    EXPECT_FALSE(matrix.tcp().connected());
    EXPECT_EQ(connectionView.screen.tcpButtonText, "Connect");
}

TEST_F(NetworkConfigurationTest, RepliesThatAreSplitShortOrUnmarked) {
    search.search();
    // In two datagrams of 30 and 25 bytes: taken when the second arrives.
    const Bytes whole = reply();
    udp.deliver(net::DiscoveryPort, Bytes(whole.begin(), whole.begin() + 30), 1);
    clock.advance(2);
    EXPECT_TRUE(search.ips().empty());
    udp.deliver(net::DiscoveryPort, Bytes(whole.begin() + 30, whole.end()), 1);
    clock.advance(2);
    EXPECT_EQ(search.ips(), Texts{"192.168.0.20"});

    // 77 87 instead of 77 88: nothing added.
    udp.deliver(net::DiscoveryPort, reply(0x77, 0x87, 50), 1);
    clock.advance(2);
    EXPECT_EQ(search.ips(), Texts{"192.168.0.20"});

    // 49 "a" bytes and the first 10 bytes of a reply: fewer than its fields, so it waits; the rest
    // completes it.
    Bytes padded;
    for (std::size_t i = 0; i < 59; ++i)
        padded.push_back(i < 49 ? std::uint8_t{0x61} : whole[i - 49]);
    udp.deliver(net::DiscoveryPort, padded, 1);
    clock.advance(2);
    EXPECT_EQ(search.ips().size(), 1u);
    udp.deliver(net::DiscoveryPort, Bytes(whole.begin() + 10, whole.end()), 1);
    clock.advance(2);
    EXPECT_EQ(search.ips(), (Texts{"192.168.0.20", "192.168.0.20"}));
}

TEST_F(NetworkConfigurationTest, SearchFailsWhenThePortIsTaken) {
    udp.occupy(net::DiscoveryPort);
    search.search();
    EXPECT_EQ(view.message, "Search failed");
    EXPECT_TRUE(udp.sent().empty());
    clock.advance(1500);
    EXPECT_FALSE(state.messageShown);
}

TEST_F(NetworkConfigurationTest, DialogFieldsShowTheCurrentMatrix) {
    udp.addMatrix(firstMatrix());
    searchNow();
    configuration.openDialog();
    EXPECT_TRUE(configView.dialogShown);
    EXPECT_FALSE(configView.form.staticIp);
    EXPECT_EQ(configView.form.ip, (std::array<std::string, 4>{"10", "0", "0", "9"}));
    EXPECT_EQ(configView.form.mac,
              (std::array<std::string, 6>{"02", "51", "56", "00", "00", "01"}));
    configuration.clickCancel();
    EXPECT_FALSE(configView.dialogShown);
}

TEST_F(NetworkConfigurationTest, StaticThenAutoSendTheLiteralPackets) {
    udp.addMatrix(firstMatrix());
    udp.setMatricesAnswerConfiguration(false);
    searchNow();
    configuration.openDialog();
    ASSERT_TRUE(configuration.clickOk(staticForm("192", "168", "1", "50")));
    EXPECT_EQ(udp.boundPort(), 30601);
    ASSERT_EQ(udp.sent().size(), 2u);
    Bytes expected = {0x02, 0x51, 0x56, 0x00, 0x00, 0x01, 0xC0, 0xA8, 0x01, 0x32, 0xC0, 0xA8, 0x01,
                      0x01, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x17};
    expected.resize(74, 0x00);
    expected.push_back(0xFF);
    expected.push_back(0xEE);
    EXPECT_EQ(udp.sent()[1], expected);
    EXPECT_FALSE(configView.dialogShown);
    EXPECT_TRUE(configView.configuringShown);
    EXPECT_EQ(configView.texts, Texts{"Configuring . . ."});

    // Auto IP repeats the static bytes 6..17 with 01 in byte 18 and 16 in byte 25.
    clock.advance(12100);
    ConfigForm form = staticForm("", "", "", "");
    form.staticIp = false;
    ASSERT_TRUE(configuration.clickOk(form));
    expected[18] = 0x01;
    expected[25] = 0x16;
    expected[75] = 0xEE;
    EXPECT_EQ(udp.sent().back(), expected);
}

TEST_F(NetworkConfigurationTest, AcceptedConfigurationSearchesAgainAndFindsTheNewAddress) {
    udp.addMatrix(firstMatrix());
    searchNow();
    configuration.openDialog();
    ASSERT_TRUE(configuration.clickOk(staticForm("192", "168", "1", "50")));
    clock.advance(5);
    EXPECT_EQ(configView.texts.back(), "Matrix configuration completed successfully!");
    EXPECT_FALSE(configuration.waitingForAcceptance());
    clock.advance(1999);
    EXPECT_EQ(configView.texts.back(), "Matrix configuration completed successfully!");
    clock.advance(1);
    EXPECT_EQ(configView.texts.back(), "Searching Matrix IP . . .");
    clock.advance(500);
    EXPECT_EQ(udp.boundPort(), 30600);
    clock.advance(5);
    EXPECT_FALSE(configView.configuringShown);
    EXPECT_EQ(search.ips(), Texts{"192.168.1.50"});
    EXPECT_EQ(search.macs(), Texts{"001A2B3C4D5E"});
    // The 10 s time-out of the configuration does not come back later.
    clock.advance(20000);
    EXPECT_EQ(configView.texts.back(), "closed");
    EXPECT_EQ(std::count(configView.texts.begin(), configView.texts.end(), "configure failed!"), 0);
}

TEST_F(NetworkConfigurationTest, AcceptedThenUnansweredEndsWithConfigureFailed) {
    udp.addMatrix(firstMatrix());
    searchNow();
    configuration.openDialog();
    ASSERT_TRUE(configuration.clickOk(staticForm("192", "168", "1", "50")));
    clock.advance(3000); // accepted, and the search after it has found the matrix
    ASSERT_FALSE(configView.configuringShown);

    udp.setMatricesAnswerConfiguration(false);
    configView.texts.clear();
    configuration.openDialog();
    ASSERT_TRUE(configuration.clickOk(staticForm("192", "168", "1", "51")));
    // An acceptance of the earlier packet arriving now does not count for this one.
    Bytes old = udp.sent()[1];
    old[74] = 0x00;
    udp.deliver(net::ConfigurationPort, old, 10);
    // Animation: phase 1, 2, 3, 1 ...
    clock.advance(1500);
    EXPECT_EQ(configView.texts, (Texts{"Configuring . . .", "Configuring . .  ",
                                       "Configuring . . .", "Configuring .    "}));
    clock.advance(8499);
    EXPECT_TRUE(configuration.waitingForAcceptance());
    clock.advance(1);
    EXPECT_EQ(configView.texts.back(), "configure failed!");
    clock.advance(1999);
    EXPECT_TRUE(configView.configuringShown);
    clock.advance(1);
    EXPECT_FALSE(configView.configuringShown);
}

TEST_F(NetworkConfigurationTest, ResearchThatFindsNothingSaysSo) {
    udp.addMatrix(firstMatrix());
    searchNow();
    configuration.openDialog();
    ASSERT_TRUE(configuration.clickOk(staticForm("192", "168", "1", "50")));
    clock.advance(100);   // accepted 5 ms after the send
    udp.latencyMs = 6000; // the matrix answers the search too late
    clock.advance(2405 + 4999);
    EXPECT_EQ(configView.texts.back(), "Searching Matrix IP . . .");
    clock.advance(1);
    EXPECT_EQ(configView.texts.back(), "Search Matrix IP failed!");
    clock.advance(500);
    EXPECT_FALSE(configView.configuringShown);
}

TEST_F(NetworkConfigurationTest, FieldsAreCheckedAndARefusalNamesTheField) {
    udp.addMatrix(firstMatrix());
    searchNow();
    const std::size_t sentBefore = udp.sent().size();
    struct Case {
        ConfigForm form;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({staticForm("192", "168", "256", "1"),
                     "IP Address field 3 must be a number from 0 to 255!"});
    cases.push_back(
        {staticForm("192", "", "1", "1"), "IP Address field 2 must be a number from 0 to 255!"});
    cases.push_back(
        {staticForm("1a", "168", "1", "1"), "IP Address field 1 must be a number from 0 to 255!"});
    cases.push_back(
        {staticForm("-1", "168", "1", "1"), "IP Address field 1 must be a number from 0 to 255!"});
    cases.push_back(
        {staticForm("127", "0", "0", "1"), "IP Address 127.0.0.1 is not a usable host address!"});
    cases.push_back(
        {staticForm("0", "1", "2", "3"), "IP Address 0.1.2.3 is not a usable host address!"});
    cases.push_back(
        {staticForm("224", "0", "0", "5"), "IP Address 224.0.0.5 is not a usable host address!"});
    cases.push_back({staticForm("255", "255", "255", "255"),
                     "IP Address 255.255.255.255 is not a usable host address!"});
    // The packet fixes mask 255.255.255.0 and gateway a.b.c.1: the network's own address, its
    // broadcast and the gateway are no address for the matrix; nor is 240.0.0.0/4.
    cases.push_back({staticForm("192", "168", "1", "0"),
                     "IP Address 192.168.1.0 is the address of the network itself (mask "
                     "255.255.255.0)!"});
    cases.push_back({staticForm("192", "168", "1", "255"),
                     "IP Address 192.168.1.255 is the broadcast address of its network (mask "
                     "255.255.255.0)!"});
    cases.push_back({staticForm("10", "0", "0", "1"),
                     "IP Address 10.0.0.1 is the gateway 10.0.0.1 that the matrix is given!"});
    cases.push_back(
        {staticForm("240", "0", "0", "7"), "IP Address 240.0.0.7 is not a usable host address!"});
    cases.push_back(
        {staticForm("254", "1", "2", "3"), "IP Address 254.1.2.3 is not a usable host address!"});
    // MACs no matrix can answer with, or that the search would skip.
    const struct {
        std::array<std::string, 6> fields;
        const char* message;
    } macs[] = {
        {{"00", "00", "00", "00", "00", "00"},
         "MAC 000000000000 is all zeros: no device has this address!"},
        {{"FF", "ff", "FF", "FF", "FF", "FF"},
         "MAC FFFFFFFFFFFF is the broadcast address: no device has this address!"},
        {{"01", "00", "5E", "00", "00", "01"},
         "MAC field 1 must be even: an odd first byte makes a multicast address!"},
        {{"33", "33", "00", "00", "00", "01"},
         "MAC field 1 must be even: an odd first byte makes a multicast address!"},
        {{"61", "1A", "2B", "3C", "4D", "5E"},
         "MAC field 1 must not be 61: the search would no longer see the matrix!"},
    };
    for (const auto& m : macs) {
        ConfigForm form = staticForm("10", "0", "0", "20");
        form.mac = m.fields;
        cases.push_back({form, m.message});
    }
    ConfigForm mac = staticForm("10", "0", "0", "2");
    mac.mac[3] = "G1";
    cases.push_back({mac, "MAC field 4 must be two hexadecimal digits!"});
    mac.mac[3] = "1";
    cases.push_back({mac, "MAC field 4 must be two hexadecimal digits!"});
    mac.mac[3] = "123";
    cases.push_back({mac, "MAC field 4 must be two hexadecimal digits!"});
    for (const Case& c : cases) {
        EXPECT_FALSE(configuration.clickOk(c.form)) << c.message;
        EXPECT_EQ(view.message, c.message);
        clock.advance(1500);
    }
    EXPECT_EQ(udp.sent().size(), sentBefore);
    // Auto IP does not look at the IP fields; near misses of the refused values go out.
    ConfigForm automatic = staticForm("999", "x", "", "");
    automatic.staticIp = false;
    automatic.mac[0] = "ae";
    EXPECT_TRUE(configuration.clickOk(automatic));
    EXPECT_EQ(udp.sent().size(), sentBefore + 1);
    EXPECT_EQ(udp.sent().back()[19], 0xAE);
    const struct {
        ConfigForm form;
        std::uint8_t byte9;
        std::uint8_t byte19;
    } taken[] = {
        {staticForm("192", "168", "1", "2"), 2, 0x00},
        {staticForm("192", "168", "1", "254"), 254, 0x00},
        {staticForm("223", "255", "255", "254"), 254, 0x00},
        {[&] {
             ConfigForm f = staticForm("10", "0", "0", "3");
             f.mac = {"60", "00", "00", "00", "00", "00"};
             return f;
         }(),
         3, 0x60},
        {[&] {
             ConfigForm f = staticForm("10", "0", "0", "4");
             f.mac = {"FE", "FF", "FF", "FF", "FF", "FF"};
             return f;
         }(),
         4, 0xFE},
    };
    for (const auto& t : taken) {
        clock.advance(20000);
        EXPECT_TRUE(configuration.clickOk(t.form)) << view.message;
        EXPECT_EQ(udp.sent().back()[9], t.byte9);
        EXPECT_EQ(udp.sent().back()[19], t.byte19);
    }
}

TEST_F(NetworkConfigurationTest, NothingIsSentBeforeAMatrixWasFound) {
    EXPECT_FALSE(configuration.clickOk(staticForm("10", "0", "0", "2")));
    EXPECT_EQ(view.message, "No matrix to configure: search for it first!");
    EXPECT_TRUE(udp.sent().empty());
}

// Port 30601 is listened on from "OK" until 5 s after the configuration ends, but a search that
// has taken the socket meanwhile keeps it. Each row: when the matrix answers, when the user
// searches (ms after "OK", -1 never), and the port bound at given times after "OK" (0: none).
TEST_F(NetworkConfigurationTest, ConfigurationPortIsGivenUpFiveSecondsAfterTheEnd) {
    udp.addMatrix(firstMatrix());
    searchNow();
    const struct {
        const char* what;
        bool matrixAnswers;
        int userSearchAtMs;
        std::vector<std::pair<int, int>> portAt;
    } rows[] = {
        // Accepted after 5 ms; the search after it binds 30600 at 2505 and, its answer at 2510,
        // ends 5 s later.
        {"accepted", true, -1, {{2504, 30601}, {2505, 30600}, {7509, 30600}, {7510, 0}}},
        // "configure failed!" at 10 s; the port goes 5 s later.
        {"no answer", false, -1, {{9999, 30601}, {14999, 30601}, {15000, 0}, {40000, 0}}},
        // The user's search at 11 s, answered at 11005, runs until 16005; the configuration's
        // close at 15 s leaves it.
        {"a search of the user's own",
         false,
         11000,
         {{10999, 30601}, {11000, 30600}, {15500, 30600}, {16004, 30600}, {16005, 0}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        udp.setMatricesAnswerConfiguration(row.matrixAnswers);
        ASSERT_TRUE(configuration.clickOk(staticForm("10", "0", "0", "50"))) << view.message;
        const std::int64_t ok = clock.nowMs();
        bool searched = false;
        for (const auto& [atMs, port] : row.portAt) {
            if (!searched && row.userSearchAtMs >= 0 && row.userSearchAtMs <= atMs) {
                clock.advance(ok + row.userSearchAtMs - clock.nowMs());
                search.search();
                searched = true;
            }
            clock.advance(ok + atMs - clock.nowMs());
            EXPECT_EQ(udp.boundPort(), port) << "at " << atMs << " ms";
            EXPECT_EQ(configuration.listening(), port == 30601) << "at " << atMs << " ms";
        }
        clock.advance(30000);
    }
}

// Whatever another host sends, a search ends at most 10 s after its broadcast; without replies 5 s
// after it, and otherwise 5 s after the last reply. Replies are valid discovery replies from a
// host of the network, at the given times after the broadcast.
TEST_F(NetworkConfigurationTest, SearchEndsTenSecondsAfterItsBroadcastAtTheLatest) {
    std::vector<int> everyThreeSeconds;
    for (int at = 500; at < 60000; at += 3000)
        everyThreeSeconds.push_back(at);
    const struct {
        const char* what;
        std::vector<int> repliesAt;
        int endsAt;
        std::size_t found;
    } rows[] = {
        {"no reply", {}, 5000, 0},
        {"one reply", {2000}, 7000, 1},
        {"a reply every three seconds", everyThreeSeconds, 10000, 4},
        {"replies until just before the limit", {4000, 8000, 9999}, 10000, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        search.search();
        for (const int at : row.repliesAt)
            udp.deliver(net::DiscoveryPort, reply(), at);
        clock.advance(row.endsAt - 1);
        EXPECT_EQ(udp.boundPort(), 30600);
        EXPECT_FALSE(search.ended());
        clock.advance(1);
        EXPECT_FALSE(udp.isBound());
        EXPECT_TRUE(search.ended());
        EXPECT_EQ(search.ips().size(), row.found);
        clock.advance(60000);
        EXPECT_EQ(search.ips().size(), row.found);
    }
}

// "Config..." fills its fields from one found entry, the matrix the packet goes to, even when the
// connection uses an address typed into the box (the current matrix IP then names another
// matrix than the current MAC).
TEST_F(NetworkConfigurationTest, DialogShowsTheAddressAndMacOfOneFoundEntry) {
    udp.addMatrix(firstMatrix());
    udp.addMatrix({{0x02, 0x51, 0x56, 0x00, 0x00, 0x02}, 0x0A00000A, false});
    searchNow();
    ASSERT_EQ(search.ips(), (Texts{"10.0.0.9", "10.0.0.10"}));
    const struct {
        const char* what;
        int select;        // -1: keep the selection
        const char* typed; // typed and connected to
        std::array<std::string, 4> ip;
        std::array<std::string, 6> mac;
    } rows[] = {
        {"first entry", -1, nullptr, {"10", "0", "0", "9"}, {"02", "51", "56", "00", "00", "01"}},
        {"an address typed and connected to",
         -1,
         "192.168.7.7",
         {"10", "0", "0", "9"},
         {"02", "51", "56", "00", "00", "01"}},
        {"second entry", 1, nullptr, {"10", "0", "0", "10"}, {"02", "51", "56", "00", "00", "02"}},
        {"second entry, then a typed address connected to",
         -1,
         "10.0.0.77",
         {"10", "0", "0", "10"},
         {"02", "51", "56", "00", "00", "02"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.select >= 0) {
            connection.selectIp(row.select);
            search.selectIp(row.select);
        }
        if (row.typed) {
            connection.editIpText(row.typed);
            connection.clickTcpConnect();
            clock.advance(150);
            ASSERT_EQ(state.matrixIp, row.typed);
        }
        configuration.openDialog();
        EXPECT_EQ(configView.form.ip, row.ip);
        EXPECT_EQ(configView.form.mac, row.mac);
    }
}

// Every datagram of the search and the configuration, both ways, reaches the traffic window with
// the peer's address; a long datagram shows its first 80 bytes.
TEST_F(NetworkConfigurationTest, UdpTrafficShowsInTheTrafficWindowWithThePeer) {
    TrafficJournal journal;
    state.traffic = &journal;
    TrafficUdpLink traffic(udp, state, clock);
    // A second search needs timers of its own: the page's close and limit timers are the first
    // search's.
    auto watchedTimers = clock.createTimers();
    MatrixSearch watched{connection, link, traffic, *watchedTimers, dialogs};
    udp.addMatrix(firstMatrix());
    watched.search();
    clock.advance(50);
    udp.deliver(net::DiscoveryPort, Bytes(100, 0xA5), 0);
    clock.advance(1);

    std::string matrixReply =
        "RX udp     from 10.0.0.9:30600  55 bytes  02 51 56 00 00 01 0A 00 00 09 FF FF FF 00 0A 00 "
        "00 01 77 88";
    for (int i = 20; i < 55; ++i)
        matrixReply += " 00";
    std::string stray = "RX udp     from 10.0.0.200:30600  100 bytes ";
    for (int i = 0; i < 80; ++i)
        stray += " A5";
    stray += " ...";
    const Texts expected = {
        "TX udp     to 255.255.255.255:30600  1 bytes  61",
        "RX udp     from 10.0.0.1:30600  1 bytes  61",
        matrixReply,
        stray,
    };
    Texts lines;
    for (std::uint64_t seq = journal.begin(); seq < journal.end(); ++seq)
        lines.push_back(formatTraffic(journal.at(seq)));
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(watched.ips(), Texts{"10.0.0.9"});
    watched.socketTaken();
    udp.close();
    state.traffic = nullptr;
}

} // namespace
