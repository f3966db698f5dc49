// The General page's conversations against every fault at every step, in virtual time with the
// simulated matrix in process: the device read-out ("Status"), each switch ("Enable Beep " on and
// off, "Enable DVI Compatibility", the hidden "Enable IR Control") and the factory reset, over COM
// and TCP. For each run: the page comes to rest, "Set successfully!" only when the matrix holds
// the factory settings, a run without a failure message leaves the labels and check marks showing
// what the matrix holds, nothing is sent afterwards, and once the link is back "Status" and a
// switch work again.
#include "ConversationSweep.h"
#include "InProcessConnectionFixture.h"
#include "SweepRig.h"
#include "core/device/GeneralPage.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

using namespace quorvane;
using namespace quorvane::test;
using namespace quorvane::test::sweep;

namespace {

using Switch = GeneralPage::Switch;

const char* const FailureTexts[] = {"Time out!", "Matrix is in standby mode!",
                                    "Connect to Matrix failed!", "Open COM failed!"};

class GeneralRig : public SweepRig<InProcessConnectionFixture> {
public:
    explicit GeneralRig(bool tcp) : SweepRig(tcp) {
        serial->setByteHandler(
            [this](std::uint8_t byte, int port) { link.onSerialByte(byte, port); });
        timers->setHandler([this](int id) {
            if (!connection.onTimer(id))
                page.onTimer(id);
        });
        link.setTcpStateHandler([this] { connection.onTcpStateChanged(); });
        connection.setTcpConnectListener([this] { page.onTcpConnectClicked(); });
        page.setConfirmListener([this](const std::string&) { page.answerFactoryReset(true); });
        // The main window on a serial failure: the COM link disconnected.
        matrix.setSerialFailureHandler([this] { connection.forceComDisconnect(); });
        state.currentPage = PageId::General;
        connection.create();
        if (tcp) {
            connection.chooseTcpMode();
            connection.editIpText("127.0.0.1");
        }
        connect();
        device.clearFramesSeen();
    }

    std::string trace() const {
        std::string messages;
        for (std::size_t i = firstMessage_; i < view.messages.size(); ++i)
            messages += view.messages[i] + "\n";
        return "messages:\n" + messages + "sent:\n" + link.sendLog().text() + "received:\n" +
               link.receiveLog().text();
    }

    bool atRest() const {
        return page.readout() == GeneralPage::Readout::Idle && !page.resetting() &&
               !page.awaitingConfirmation() && !page.reconnectPending() &&
               !page.switchPending(Switch::IrControl) && !page.switchPending(Switch::Beep) &&
               !page.switchPending(Switch::Dvi) && !state.messageShown && !state.busyShown;
    }
    bool failureShown() const {
        for (std::size_t i = firstMessage_; i < view.messages.size(); ++i) {
            for (const char* text : FailureTexts) {
                if (view.messages[i] == text)
                    return true;
            }
        }
        return false;
    }
    bool successShown() const {
        for (std::size_t i = firstMessage_; i < view.messages.size(); ++i) {
            if (view.messages[i] == "Set successfully!")
                return true;
        }
        return false;
    }
    std::string restState() const {
        if (!atRest())
            return "page still busy";
        if (view.messageUp || view.busyUp)
            return "a box left up";
        if (lastBusyNotification())
            return "page buttons left off";
        return "";
    }
    void restoreLink() {
        if (tcp_ ? !state.tcpConnected : !state.comLinkOpen)
            connect();
    }
    std::string followUp() {
        begin();
        page.clickStatus();
        if (!settle(*this, 60000) || failureShown())
            return "\"Status\" after the run did not end well: " + trace();
        std::string wrong = labels();
        if (!wrong.empty())
            return "after \"Status\": " + wrong;
        const bool on = !page.switchOn(Switch::Beep);
        page.clickSwitch(Switch::Beep);
        if (!settle(*this, 60000) || failureShown())
            return "\"Enable Beep \" after the run did not end well";
        return switchHolds(Switch::Beep, on);
    }

    // "" when the sixteen labels show what the matrix has attached.
    std::string labels() const {
        for (int n = 1; n <= 8; ++n) {
            const auto i = static_cast<std::size_t>(n - 1);
            const std::string in = "HDMI IN" + std::to_string(n) + ": " +
                                   (device.state().inputAttached[i] ? "Connect" : "Disconnect");
            const std::string out = std::string("HDMI OUT") + static_cast<char>('A' + n - 1) +
                                    ": " +
                                    (device.state().outputAttached[i] ? "Connect" : "Disconnect");
            if (page.inputLabel(n) != in)
                return "label \"" + page.inputLabel(n) + "\", the matrix: " + in;
            if (page.outputLabel(n) != out)
                return "label \"" + page.outputLabel(n) + "\", the matrix: " + out;
        }
        return "";
    }
    bool matrixSwitch(Switch which) const {
        switch (which) {
        case Switch::IrControl:
            return device.state().irOn;
        case Switch::Beep:
            return device.state().beepOn;
        case Switch::Dvi:
            return device.state().dviOn;
        }
        return false;
    }
    // "" when the matrix holds the switch at `on` and the page's mark shows it.
    std::string switchHolds(Switch which, bool on) const {
        if (matrixSwitch(which) != on)
            return std::string("the matrix holds the switch ") + (on ? "off" : "on");
        if (page.switchOn(which) != on)
            return std::string("the mark shows the switch ") + (on ? "off" : "on") +
                   ", the matrix holds it " + (on ? "on" : "off");
        return "";
    }
    // "" when the matrix holds the factory settings.
    std::string factorySettings() const {
        for (int o = 1; o <= 8; ++o) {
            if (device.state().routing.at(static_cast<std::size_t>(o - 1)) != o)
                return "output " + std::to_string(o) + " not routed from input " +
                       std::to_string(o);
        }
        for (std::uint8_t e : device.state().inputEdid) {
            if (e != 3)
                return "an input's EDID is not 1080p,Stereo Audio 2.0";
        }
        if (!device.state().beepOn)
            return "beep off";
        if (!tcp_ && device.state().dviOn)
            return "DVI compatibility on";
        return "";
    }
    std::string factoryShown() const {
        std::string wrong = factorySettings();
        if (!wrong.empty())
            return wrong;
        if (!page.switchOn(Switch::Beep))
            return "the beep mark is clear";
        if (!tcp_ && page.switchOn(Switch::Dvi))
            return "the DVI mark is set";
        return "";
    }

    GeneralPage page{connection, link, *timers, dialogs, events};

private:
    // The "Connect" button of the page's link, its state queries answered.
    void connect() {
        if (tcp_)
            connection.clickTcpConnect();
        else
            connection.clickComConnect();
        clock.advance(200);
        settle(*this, 10000);
    }
};

auto frame(int b2, int b3, int b4 = -1) {
    return
        [b2, b3, b4](const Bytes& f) { return f[2] == b2 && f[3] == b3 && (b4 < 0 || f[4] == b4); };
}
StepSite inputQuery(int n) {
    return {"input " + std::to_string(n) + " query", frame(0x01, 0x04, n)};
}
StepSite outputQuery(int n) {
    return {"output " + std::to_string(n) + " query", frame(0x01, 0x05, n)};
}
StepSite resetRoute(int n) {
    return {"reset step " + std::to_string(n), frame(0x02, 0x03, n)};
}

std::vector<ConversationRow<GeneralRig>> generalRows() {
    using R = ConversationRow<GeneralRig>;
    std::vector<R> rows;
    auto switchRow = [](const std::string& name, bool tcp, Switch which, int group, bool from) {
        return R{name,
                 tcp,
                 [which, from](GeneralRig& r) {
                     // The matrix and the mark start at `from`; the click asks for the opposite.
                     if (r.page.switchOn(which) != from)
                         r.page.requestSwitch(which, from);
                     settle(r, 20000);
                     r.begin();
                     r.page.clickSwitch(which);
                 },
                 [which, from](GeneralRig& r) { return r.switchHolds(which, !from); },
                 {{"switch request", frame(group, 0x01)}}};
    };
    for (bool tcp : {false, true}) {
        const std::string link = tcp ? " over TCP" : " over COM";
        rows.push_back({"device read-out" + link,
                        tcp,
                        [](GeneralRig& r) {
                            r.matrixState().inputAttached = {false, true,  false, true,
                                                             true,  false, true,  false};
                            r.matrixState().outputAttached = {true,  true,  false, false,
                                                              false, false, true,  true};
                            r.page.clickStatus();
                        },
                        [](GeneralRig& r) { return r.labels(); },
                        {inputQuery(1), outputQuery(4), outputQuery(8)}});
        rows.push_back(switchRow("beep off" + link, tcp, Switch::Beep, 0x06, true));
        rows.push_back(switchRow("beep on" + link, tcp, Switch::Beep, 0x06, false));
        rows.push_back(switchRow("DVI compatibility on" + link, tcp, Switch::Dvi, 0x07, false));
        rows.push_back(switchRow("IR control off" + link, tcp, Switch::IrControl, 0x05, true));
        std::vector<StepSite> resetSteps{resetRoute(1),
                                         resetRoute(8),
                                         {"reset EDID handshake", frame(0x03, 0x08)},
                                         {"reset EDID", frame(0x03, 0x01)},
                                         {"reset beep", frame(0x06, 0x01)}};
        if (!tcp)
            resetSteps.push_back({"reset DVI", frame(0x07, 0x01)});
        rows.push_back({"factory reset" + link, tcp,
                        [tcp](GeneralRig& r) {
                            for (std::size_t o = 0; o < 8; ++o)
                                r.matrixState().routing[o] = static_cast<std::uint8_t>(8 - o);
                            r.matrixState().inputEdid.fill(9);
                            r.matrixState().beepOn = false;
                            r.matrixState().dviOn = !tcp;
                            r.page.clickFactoryReset();
                        },
                        [](GeneralRig& r) { return r.factoryShown(); }, resetSteps,
                        [](GeneralRig& r) { return r.factorySettings(); }});
    }
    return rows;
}

TEST(GeneralPageSweep, EveryConversationEveryStepEveryFault) {
    // Every read-out query and reset step waits 5 s, resends, and fails 5 s later: an answer
    // 5.5 s late comes after the resend and before the page gives up.
    const FaultTiming timing{0, 5500, 0};
    const SweepTally tally =
        runConversationSweep(generalRows(), ConversationFaults, timing, 120000);
    printTally("General page", tally, std::size(ConversationFaults));
    EXPECT_GT(tally.runs, 150);
}

} // namespace
