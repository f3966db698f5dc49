// Matrix discovery and network configuration against every fault of a simulated matrix's UDP reply,
// in virtual time: a search, and a static configuration with the search after its acceptance. For
// each run: the Configuring window closes within a bounded time; "Matrix configuration completed
// successfully!" only when the matrix holds the new address (and the list then shows that
// address), otherwise "configure failed!" or the refusal to configure an unfound matrix; a search
// lists only the address the matrix holds; and a search afterwards finds it. After "configure
// failed!" the list may still show the address of the search before: the failure says so.
#include "InProcessConnectionFixture.h"
#include "SimulatedUdpNetwork.h"
#include "core/device/MatrixSearch.h"
#include "core/device/NetworkConfiguration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

using Texts = std::vector<std::string>;

struct ConfigView : ConfigurationView {
    void showDialog(const ConfigForm&) override {}
    void hideDialog() override {}
    void showConfiguring(const std::string& text) override {
        shown = true;
        if (texts.empty() || texts.back() != text)
            texts.push_back(text);
    }
    void closeConfiguring() override { shown = false; }
    bool shown = false;
    Texts texts;
};

constexpr std::uint32_t OldIp = 0x0A000009; // 10.0.0.9
constexpr std::uint32_t NewIp = 0xC0A80132; // 192.168.1.50

class NetworkRig : protected test::InProcessConnectionFixture {
public:
    NetworkRig() {
        timers->setHandler([this](int id) {
            if (!connection.onTimer(id))
                search.onTimer(id);
        });
        configTimers->setHandler([this](int id) { configuration.onTimer(id); });
        search.setFoundListener([this] { configuration.onMatrixFound(); });
        connection.create();
        connection.chooseTcpMode();
        matrixIdentity = &udp.addMatrix({{0x02, 0x51, 0x56, 0x00, 0x00, 0x01}, OldIp, false});
    }

    void runSearch() { search.search(); }
    void runConfiguration() {
        search.search();
        clock.advance(50);
        configuration.openDialog();
        ConfigForm form;
        form.staticIp = true;
        form.ip = {"192", "168", "1", "50"};
        form.mac = {"02", "51", "56", "00", "00", "01"};
        configuration.clickOk(form);
    }
    // Virtual time until the Configuring window is closed and nothing is awaited (at most
    // `limitMs`); true when it came to rest.
    bool settle(std::int64_t limitMs) {
        const std::int64_t end = clock.nowMs() + limitMs;
        while ((view.messageUp || configView.shown || configuration.waitingForAcceptance()) &&
               clock.nowMs() < end)
            clock.advance(100);
        clock.advance(20000); // late and repeated replies, the search socket's own end
        return !view.messageUp && !configView.shown && !configuration.waitingForAcceptance();
    }
    const std::string& lastMessage() const { return view.lastMessage; }
    bool said(const std::string& text) const {
        return std::find(configView.texts.begin(), configView.texts.end(), text) !=
               configView.texts.end();
    }
    static std::string ipText(std::uint32_t ip) {
        return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 0xFF) + "." +
               std::to_string((ip >> 8) & 0xFF) + "." + std::to_string(ip & 0xFF);
    }
    // "" when every listed address is the one the matrix holds.
    std::string listTrue() const {
        for (const std::string& ip : search.ips()) {
            if (ip != ipText(matrixIdentity->identity().ip))
                return "lists " + ip + ", the matrix is at " +
                       ipText(matrixIdentity->identity().ip);
        }
        return "";
    }

    sim::SimulatedUdpNetwork udp{clock};
    std::unique_ptr<Timers> configTimers = clock.createTimers();
    MatrixSearch search{connection, link, udp, *timers, dialogs};
    ConfigView configView;
    NetworkConfiguration configuration{search, udp, clock, *configTimers, dialogs, configView};
    sim::NetworkResponder* matrixIdentity = nullptr;
};

enum class UdpFault { Dropped, Late, Repeated, Damaged };
const UdpFault AllUdpFaults[] = {UdpFault::Dropped, UdpFault::Late, UdpFault::Repeated,
                                 UdpFault::Damaged};
const char* name(UdpFault f) {
    switch (f) {
    case UdpFault::Dropped:
        return "dropped reply";
    case UdpFault::Late:
        return "reply later than the wait";
    case UdpFault::Repeated:
        return "reply repeated 50 ms later";
    case UdpFault::Damaged:
        return "damaged reply";
    }
    return "?";
}

struct UdpStep {
    const char* conversation;
    std::function<void(NetworkRig&)> act;
    int reply;              // the matrix's reply the fault strikes (from 1)
    std::size_t damageByte; // the byte a damaged reply has wrong: the marker or the acceptance
    int lateMs;             // past the wait for this reply
};

TEST(NetworkConfigurationSweep, EveryReplyAgainstEveryFault) {
    const std::vector<UdpStep> steps = {
        {"search", [](NetworkRig& r) { r.runSearch(); }, 1, 19, 6000},
        {"configuration: the search before it", [](NetworkRig& r) { r.runConfiguration(); }, 1, 19,
         6000},
        {"configuration: the acceptance", [](NetworkRig& r) { r.runConfiguration(); }, 2, 74,
         11000},
        {"configuration: the search after it", [](NetworkRig& r) { r.runConfiguration(); }, 3, 19,
         6000},
    };
    int runs = 0, done = 0, failed = 0;
    for (const UdpStep& step : steps) {
        for (UdpFault fault : AllUdpFaults) {
            SCOPED_TRACE(std::string(step.conversation) + " / " + name(fault));
            ++runs;
            NetworkRig rig;
            auto& f = rig.udp.faults;
            switch (fault) {
            case UdpFault::Dropped:
                f.dropReply = step.reply;
                break;
            case UdpFault::Late:
                f.delayReply = step.reply;
                f.delayMs = step.lateMs;
                break;
            case UdpFault::Repeated:
                f.repeatReply = step.reply;
                f.repeatAfterMs = 50;
                break;
            case UdpFault::Damaged:
                f.alterReply = step.reply;
                f.alterByte = step.damageByte;
                f.alterAdd = 1;
                break;
            }
            step.act(rig);
            EXPECT_TRUE(rig.settle(60000)) << "the Configuring window or a message stays up";
            const bool configuring = step.reply > 1 || std::string(step.conversation) != "search";
            if (configuring) {
                const bool success = rig.said("Matrix configuration completed successfully!");
                if (success) {
                    ++done;
                    EXPECT_EQ(rig.matrixIdentity->identity().ip, NewIp)
                        << "success said, the matrix keeps its address";
                    EXPECT_EQ(rig.listTrue(), "");
                } else {
                    ++failed;
                    EXPECT_TRUE(rig.said("configure failed!") ||
                                rig.lastMessage() == "No matrix to configure: search for it first!")
                        << "neither success nor failure said";
                }
            } else {
                // A plain search says nothing when no matrix answers; what it lists is true.
                ++(rig.search.ips().empty() ? failed : done);
                EXPECT_EQ(rig.listTrue(), "");
            }
            // Afterwards a search finds the matrix where it is.
            rig.udp.faults = {};
            rig.runSearch();
            rig.settle(10000);
            EXPECT_EQ(rig.search.ips(),
                      Texts{NetworkRig::ipText(rig.matrixIdentity->identity().ip)});
        }
    }
    std::printf("network configuration sweep: %zu steps x %zu faults = %d runs (%d done, %d ended "
                "with a failure or an empty list)\n",
                steps.size(), std::size(AllUdpFaults), runs, done, failed);
    ::testing::Test::RecordProperty("runs", runs);
}

} // namespace
