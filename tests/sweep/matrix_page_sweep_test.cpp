// The Matrix page's conversations against every fault at every step, in virtual time with the
// simulated matrix in process: a route click, previous and next, the status read, a preset chain
// and the output configuration, over COM and TCP. For each run: the page comes to rest, a run
// that shows neither "Time out!" nor the standby message leaves the matrix routed as asked and
// the page showing it, nothing is sent afterwards, and after the link is restored the status read
// shows the matrix's routes and a click routes again.
#include "ConversationSweep.h"
#include "InProcessPageFixture.h"
#include "SweepRig.h"
#include "core/routing/MatrixPage.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

using namespace quorvane;
using namespace quorvane::test;
using namespace quorvane::test::sweep;

namespace {

class MatrixRig : public SweepRig<InProcessPageFixture> {
public:
    explicit MatrixRig(bool tcp) : SweepRig(tcp) {
        // The main window on a serial failure: every page's port closed, the COM link down.
        matrix.setSerialFailureHandler([this] {
            state.comLinkOpen = false;
            page->closeSerialPort();
        });
        if (tcp)
            useReadyTcp();
        else
            useOpenCom1();
        state.currentPage = PageId::Matrix;
        page = pages.matrix(*timers, *serial);
        serial->setByteHandler(
            [this](std::uint8_t byte, int port) { page->onSerialByte(byte, port); });
        show();
        device.clearFramesSeen();
    }

    std::uint8_t& matrixDeviceRouting(int output) {
        return device.state().routing.at(static_cast<std::size_t>(output - 1));
    }
    std::string trace() const {
        return "sent:\n" + page->link().sendLog().text() + "received:\n" +
               page->link().receiveLog().text();
    }

    bool atRest() const {
        return !page->routingBusy() && page->presetIdle() && !state.messageShown &&
               !state.busyShown;
    }
    bool failureShown() const {
        for (std::size_t i = firstMessage_; i < view.messages.size(); ++i) {
            if (view.messages[i] == "Time out!" || view.messages[i] == "Matrix is in standby mode!")
                return true;
        }
        return false;
    }
    // The Matrix page says nothing on success: a route shows in its group.
    bool successShown() const { return false; }
    std::string restState() const {
        if (page->routingBusy() || page->holdsNavigation())
            return "page still busy";
        if (view.messageUp || view.busyUp)
            return "a box left up";
        if (lastBusyNotification())
            return "page buttons left off";
        if (!page->presetIdle())
            return "presets left unusable";
        for (int input = 1; input <= 8; ++input) {
            if (!page->configIdle(input))
                return "output configuration button " + std::to_string(input) + " left unusable";
        }
        return "";
    }
    void restoreLink() {
        if (tcp_) {
            state.tcpLinkReady = true;
        } else {
            state.comLinkOpen = true;
        }
        show();
    }
    std::string followUp() {
        // The status read of the show has run: the page shows what the matrix holds.
        std::string wrong = showsMatrix({1, 2, 3, 4, 5, 6, 7, 8});
        if (!wrong.empty())
            return "after the show: " + wrong;
        begin();
        const int input = device.state().routing[5] == 3 ? 4 : 3;
        page->clickInput(6, input);
        if (!settle(*this, 20000) || failureShown())
            return "a click after the run did not end well";
        return showsMatrix({6});
    }

    // "" when the matrix routes `inputs` (for outputs 1..8; 0: any) and the page shows it.
    std::string routes(const std::array<int, 8>& inputs) const {
        for (int o = 1; o <= 8; ++o) {
            const int want = inputs.at(static_cast<std::size_t>(o - 1));
            if (want != 0 && device.state().routing.at(static_cast<std::size_t>(o - 1)) != want)
                return "the matrix routes " +
                       std::to_string(device.state().routing.at(static_cast<std::size_t>(o - 1))) +
                       " to output " + std::to_string(o) + ", not " + std::to_string(want);
        }
        std::vector<int> outputs;
        for (int o = 1; o <= 8; ++o) {
            if (inputs.at(static_cast<std::size_t>(o - 1)) != 0)
                outputs.push_back(o);
        }
        return showsMatrix(outputs);
    }
    // "" when the page shows, for each of `outputs`, the input the matrix routes to it.
    std::string showsMatrix(const std::vector<int>& outputs) const {
        for (int o : outputs) {
            const int routed = device.state().routing.at(static_cast<std::size_t>(o - 1));
            if (page->displayText(o) != std::to_string(routed) || page->outputSource(o) != routed ||
                page->pressedInput(o) != routed)
                return "output " + std::to_string(o) + " shows " + page->displayText(o) +
                       " (source " + std::to_string(page->outputSource(o)) + "), the matrix " +
                       std::to_string(routed);
        }
        return "";
    }

    std::unique_ptr<MatrixPage> page;

private:
    // The page coming on show as the main window does it, its status read run to its end.
    void show() {
        if (tcp_)
            page->reconnect();
        clock.advance(150);
        page->onShow();
        settle(*this, 20000);
    }
};

// A route command to `output` (any input), or the routing query for `output`.
auto route(int output) {
    return [output](const Bytes& f) { return f[2] == 0x02 && f[3] == 0x03 && f[6] == output; };
}
auto query(int output) {
    return [output](const Bytes& f) { return f[2] == 0x02 && f[3] == 0x01 && f[4] == output; };
}
StepSite routeStep(int output, int nth = 1) {
    return {"route to output " + std::to_string(output), route(output), nth};
}
StepSite queryStep(int output) {
    return {"query of output " + std::to_string(output), query(output)};
}

// The matrix routes output o from input 9 - o before the status read.
void crossMatrix(MatrixRig& rig) {
    for (int o = 1; o <= 8; ++o)
        rig.matrixDeviceRouting(o) = static_cast<std::uint8_t>(9 - o);
}

} // namespace

// Set up outside the class body so the table reads as a table.
namespace {

std::vector<ConversationRow<MatrixRig>> matrixRows() {
    using R = ConversationRow<MatrixRig>;
    const std::array<int, 8> reversed{8, 7, 6, 5, 4, 3, 2, 1};
    std::vector<R> rows;
    for (bool tcp : {false, true}) {
        const std::string link = tcp ? " over TCP" : " over COM";
        rows.push_back({"route click" + link,
                        tcp,
                        [](MatrixRig& r) { r.page->clickInput(2, 7); },
                        [](MatrixRig& r) {
                            return r.routes({0, 7, 0, 0, 0, 0, 0, 0});
                        },
                        {routeStep(2)}});
        rows.push_back({"status read" + link,
                        tcp,
                        [](MatrixRig& r) {
                            crossMatrix(r);
                            r.page->onShow();
                        },
                        [reversed](MatrixRig& r) { return r.routes(reversed); },
                        {queryStep(1), queryStep(4), queryStep(8)}});
        rows.push_back({"preset chain (Set)" + link,
                        tcp,
                        [](MatrixRig& r) {
                            r.page->applyEditedPreset({7, 6, 5, 4, 3, 2, 1, 0}, "Reversed");
                            r.page->sendPreset();
                        },
                        [reversed](MatrixRig& r) { return r.routes(reversed); },
                        {routeStep(1), routeStep(4), routeStep(5), routeStep(8)}});
    }
    rows.push_back({"previous over COM",
                    false,
                    [](MatrixRig& r) { r.page->clickPrevious(4); },
                    [](MatrixRig& r) {
                        return r.routes({0, 0, 0, 3, 0, 0, 0, 0});
                    },
                    {routeStep(4)}});
    rows.push_back({"next over COM (8 to 1)",
                    false,
                    [](MatrixRig& r) { r.page->clickNext(8); },
                    [](MatrixRig& r) {
                        return r.routes({0, 0, 0, 0, 0, 0, 0, 1});
                    },
                    {routeStep(8)}});
    rows.push_back({"output configuration, Output3, input 6",
                    false,
                    [](MatrixRig& r) {
                        r.page->selectOutput(2);
                        r.page->configureOutput(6);
                    },
                    [](MatrixRig& r) {
                        return r.routes({0, 0, 6, 0, 0, 0, 0, 0});
                    },
                    {routeStep(3)}});
    rows.push_back({"output configuration, All Output, input 5",
                    false,
                    [](MatrixRig& r) {
                        r.page->selectOutput(MatrixPage::SelectAllOutputs);
                        r.page->configureOutput(5);
                    },
                    [](MatrixRig& r) {
                        return r.routes({5, 5, 5, 5, 5, 5, 5, 5});
                    },
                    {routeStep(1), routeStep(8)}});
    rows.push_back({"Port to Port",
                    false,
                    [](MatrixRig& r) {
                        crossMatrix(r);
                        r.page->selectOutput(MatrixPage::SelectPortToPort);
                    },
                    [](MatrixRig& r) {
                        return r.routes({1, 2, 3, 4, 5, 6, 7, 8});
                    },
                    {routeStep(1), routeStep(6)}});
    return rows;
}

TEST(MatrixPageSweep, EveryConversationEveryStepEveryFault) {
    // The first wait of a route or query is 3 or 5 s, the one after the resend 5 s: an answer
    // 5.5 s late comes after the resend and before the page gives up.
    const FaultTiming timing{0, 5500, 0};
    const SweepTally tally = runConversationSweep(matrixRows(), ConversationFaults, timing, 60000);
    printTally("Matrix page", tally, std::size(ConversationFaults));
    EXPECT_GT(tally.runs, 100);
}

} // namespace
