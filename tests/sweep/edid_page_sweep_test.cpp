// The EDID page's conversations against every fault at every step, in virtual time with the
// simulated matrix in process: set a built-in EDID or the default one (one input, all inputs),
// copy a display's EDID (to one, to all), download an EDID file (to one, to all), "Status" and
// the read-back of the names when the page comes on show, over COM and TCP. For each run: the
// page comes to rest, "... successfully!" only when the matrix holds the EDID asked for, a run
// without a failure message leaves the matrix holding it and the page naming it, nothing is sent
// afterwards, and "Status" then reads every input's name as the matrix holds it.
#include "ConversationSweep.h"
#include "InProcessPageFixture.h"
#include "SweepRig.h"
#include "core/edid/EdidPage.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

using namespace quorvane;
using namespace quorvane::test;
using namespace quorvane::test::sweep;

namespace {

// The names the page shows for the EDID indexes the matrix reports.
const char* const BuiltInNames[] = {
    "1080i,Stereo Audio 2.0", "1080i,Dolby/DTS 5.1", "1080i,HD Audio 7.1",
    "1080p,Stereo Audio 2.0", "1080p,Dolby/DTS 5.1", "1080p,HD Audio 7.1",
    "3D,Stereo Audio 2.0",    "3D,Dolby/DTS 5.1",    "3D,HD Audio 7.1",
    "4K2K,Stereo Audio 2.0",  "4K2K,Dolby/DTS 5.1",  "4K2K,HD Audio 7.1",
    "DVI 1024X768",           "DVI 1920X1080",       "DVI 1920X1200"};
std::string nameOf(int index) {
    if (index >= 0 && index <= 14)
        return BuiltInNames[index];
    if (index >= 15 && index <= 22)
        return std::string("Copy HDMI OUT ") + static_cast<char>('A' + index - 15);
    return "User define";
}

const char* const FailureTexts[] = {
    "Time out!",        "Matrix is in standby mode!", "Copy failed!",
    "Download failed!", "Connect to Matrix failed!",  "Open COM failed!"};
const char* const SuccessTexts[] = {"Set successfully!", "Copy successfully!",
                                    "Download successfully!"};

// A 128-byte EDID: the header, some bytes, no extension, a checksum that makes the block sum 0.
Bytes edidFile() {
    Bytes b(128, 0);
    const std::uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(std::begin(header), std::end(header), b.begin());
    for (std::size_t i = 8; i < 126; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7);
    unsigned sum = 0;
    for (std::size_t i = 0; i < 127; ++i)
        sum += b[i];
    b[127] = static_cast<std::uint8_t>(256 - (sum & 0xFF));
    return b;
}

class EdidRig : public SweepRig<InProcessPageFixture> {
public:
    explicit EdidRig(bool tcp) : SweepRig(tcp) {
        matrix.setSerialFailureHandler([this] {
            state.comLinkOpen = false;
            page->closeSerialPort();
        });
        if (tcp)
            useReadyTcp();
        else
            useOpenCom1();
        state.currentPage = PageId::Edid;
        page = pages.edid(*timers, *serial);
        serial->setByteHandler(
            [this](std::uint8_t byte, int port) { page->onSerialByte(byte, port); });
        const Bytes file = edidFile();
        page->openFileBytes("sweep.bin", &file);
        show();
        device.clearFramesSeen();
    }

    std::string trace() const {
        std::string messages;
        for (std::size_t i = firstMessage_; i < view.messages.size(); ++i)
            messages += view.messages[i] + "\n";
        return "messages:\n" + messages + "sent:\n" + page->link().sendLog().text() +
               "received:\n" + page->link().receiveLog().text();
    }

    bool atRest() const {
        return !page->busy() && !page->checkingOutput() && !page->talking() &&
               !state.messageShown && !state.busyShown;
    }
    bool shownSince(const char* const* texts, std::size_t count) const {
        for (std::size_t i = firstMessage_; i < view.messages.size(); ++i) {
            for (std::size_t t = 0; t < count; ++t) {
                if (view.messages[i] == texts[t])
                    return true;
            }
        }
        return false;
    }
    bool failureShown() const { return shownSince(FailureTexts, std::size(FailureTexts)); }
    bool successShown() const { return shownSince(SuccessTexts, std::size(SuccessTexts)); }
    std::string restState() const {
        if (page->busy() || page->checkingOutput() || page->talking())
            return "page still busy";
        if (view.messageUp || view.busyUp)
            return "a box left up";
        if (lastBusyNotification())
            return "page buttons left off";
        return "";
    }
    void restoreLink() {
        if (tcp_)
            state.tcpLinkReady = true;
        else
            state.comLinkOpen = true;
        show();
    }
    std::string followUp() {
        // The read-back of the show has run; "Status" reads all eight names again.
        begin();
        page->clickStatus();
        if (!settle(*this, 30000) || failureShown())
            return "\"Status\" after the run did not end well";
        return names({1, 2, 3, 4, 5, 6, 7, 8});
    }

    // "" when the matrix gives each of `inputs` the EDID `index` (-1: any) and the page names the
    // EDID the matrix holds.
    std::string holds(const std::vector<int>& inputs, int index) const {
        std::string wrong = matrixHolds(inputs, index);
        return wrong.empty() ? names(inputs) : wrong;
    }
    std::string matrixHolds(const std::vector<int>& inputs, int index) const {
        for (int i : inputs) {
            const int held = device.state().inputEdid.at(static_cast<std::size_t>(i - 1));
            if (index >= 0 && held != index)
                return "the matrix gives IN" + std::to_string(i) + " EDID " + std::to_string(held) +
                       ", not " + std::to_string(index);
        }
        return "";
    }
    std::string names(const std::vector<int>& inputs) const {
        for (int i : inputs) {
            const int held = device.state().inputEdid.at(static_cast<std::size_t>(i - 1));
            if (page->inputName(i) != nameOf(held))
                return "IN" + std::to_string(i) + " named \"" + page->inputName(i) +
                       "\", the matrix holds \"" + nameOf(held) + "\"";
        }
        return "";
    }

    std::unique_ptr<EdidPage> page;

private:
    // The page coming on show as the main window does it, its read-back run to its end.
    void show() {
        page->onSwitchedTo();
        if (tcp_)
            page->reconnect();
        clock.advance(150);
        page->onShow();
        settle(*this, 30000);
    }
};

// Frames by bytes 2, 3 (and 4 when not -1).
auto frame(int b2, int b3, int b4 = -1) {
    return
        [b2, b3, b4](const Bytes& f) { return f[2] == b2 && f[3] == b3 && (b4 < 0 || f[4] == b4); };
}
StepSite handshake() {
    return {"handshake", frame(0x03, 0x08)};
}
StepSite command(const char* name, int b3) {
    return {name, frame(0x03, b3)};
}
StepSite nameQuery(int input) {
    return {"name query IN" + std::to_string(input), frame(0x01, 0x0C, input)};
}
StepSite outputCheck() {
    return {"output check", frame(0x01, 0x05)};
}
StepSite dataBlock() {
    return {"data block", [](const Bytes& b) { return b.size() == 290; }, 1, true};
}

const std::vector<int> AllInputs{1, 2, 3, 4, 5, 6, 7, 8};

std::vector<ConversationRow<EdidRig>> edidRows() {
    using R = ConversationRow<EdidRig>;
    std::vector<R> rows;
    for (bool tcp : {false, true}) {
        const std::string link = tcp ? " over TCP" : " over COM";
        rows.push_back({"set 4K2K,HD Audio 7.1 to IN3" + link,
                        tcp,
                        [](EdidRig& r) {
                            r.page->selectSetMode(11);
                            r.page->selectSetTarget(2);
                            r.page->clickSet();
                        },
                        [](EdidRig& r) { return r.holds({3}, 11); },
                        {handshake(), command("set one", 0x02), nameQuery(3)},
                        [](EdidRig& r) { return r.matrixHolds({3}, 11); }});
        rows.push_back(
            {"copy HDMI OUT C to all" + link,
             tcp,
             [](EdidRig& r) {
                 r.page->selectCopySource(2);
                 r.page->selectCopyTarget(8);
                 r.page->clickCopy();
             },
             [](EdidRig& r) { return r.holds(AllInputs, 0x11); },
             {outputCheck(), handshake(), command("copy to all", 0x03), nameQuery(1), nameQuery(8)},
             [](EdidRig& r) { return r.matrixHolds(AllInputs, 0x11); }});
        rows.push_back({"download to IN6" + link,
                        tcp,
                        [](EdidRig& r) {
                            r.page->selectDownloadTarget(5);
                            r.page->clickDownload();
                        },
                        [](EdidRig& r) {
                            return r.matrixState().edidDownloaded[5] ? r.holds({6}, 0x17)
                                                                     : "no EDID downloaded";
                        },
                        {handshake(), command("download request", 0x07), dataBlock(), nameQuery(6)},
                        [](EdidRig& r) {
                            return r.matrixState().edidDownloaded[5] ? r.matrixHolds({6}, 0x17)
                                                                     : "no EDID downloaded";
                        }});
        rows.push_back({"Status" + link,
                        tcp,
                        [](EdidRig& r) {
                            r.matrixState().inputEdid = {0, 1, 2, 0x0F, 0x16, 0x17, 12, 14};
                            r.page->clickStatus();
                        },
                        [](EdidRig& r) { return r.names(AllInputs); },
                        {nameQuery(1), nameQuery(4), nameQuery(8)}});
        rows.push_back({"name read-back on show" + link,
                        tcp,
                        [](EdidRig& r) {
                            r.matrixState().inputEdid = {5, 6, 7, 8, 9, 10, 0x10, 0x17};
                            r.page->onSwitchedTo();
                            r.page->onShow();
                        },
                        [](EdidRig& r) { return r.names(AllInputs); },
                        {nameQuery(1), nameQuery(8)}});
    }
    rows.push_back({"set 1080i,Stereo Audio 2.0 to all over COM",
                    false,
                    [](EdidRig& r) {
                        r.page->selectSetMode(0);
                        r.page->selectSetTarget(8);
                        r.page->clickSet();
                    },
                    [](EdidRig& r) { return r.holds(AllInputs, 0); },
                    {handshake(), command("set all", 0x01), nameQuery(1), nameQuery(8)},
                    [](EdidRig& r) { return r.matrixHolds(AllInputs, 0); }});
    rows.push_back({"default EDID to IN2 over COM",
                    false,
                    [](EdidRig& r) {
                        r.matrixState().inputEdid[1] = 9;
                        r.page->selectSetMode(15);
                        r.page->selectSetTarget(1);
                        r.page->clickSet();
                    },
                    [](EdidRig& r) { return r.holds({2}, 3); },
                    {handshake(), command("default one", 0x0A), nameQuery(2)}});
    rows.push_back({"default EDID to all over COM",
                    false,
                    [](EdidRig& r) {
                        r.matrixState().inputEdid.fill(9);
                        r.page->selectSetMode(15);
                        r.page->selectSetTarget(8);
                        r.page->clickSet();
                    },
                    [](EdidRig& r) { return r.holds(AllInputs, 3); },
                    {handshake(), command("default all", 0x09), nameQuery(1), nameQuery(8)}});
    rows.push_back({"copy HDMI OUT B to IN5 over COM",
                    false,
                    [](EdidRig& r) {
                        r.page->selectCopySource(1);
                        r.page->selectCopyTarget(4);
                        r.page->clickCopy();
                    },
                    [](EdidRig& r) { return r.holds({5}, 0x10); },
                    {outputCheck(), handshake(), command("copy to one", 0x04), nameQuery(5)},
                    [](EdidRig& r) { return r.matrixHolds({5}, 0x10); }});
    rows.push_back(
        {"download to all over COM",
         false,
         [](EdidRig& r) {
             r.page->selectDownloadTarget(8);
             r.page->clickDownload();
         },
         [](EdidRig& r) { return r.holds(AllInputs, 0x17); },
         {handshake(), command("download request", 0x06), dataBlock(), nameQuery(1), nameQuery(8)},
         [](EdidRig& r) { return r.matrixHolds(AllInputs, 0x17); }});
    return rows;
}

TEST(EdidPageSweep, EveryConversationEveryStepEveryFault) {
    // Every step waits 5 s, resends, and fails 5 s later: an answer 5.5 s late comes after the
    // resend and before the page gives up.
    const FaultTiming timing{0, 5500, 0};
    const SweepTally tally = runConversationSweep(edidRows(), ConversationFaults, timing, 60000);
    printTally("EDID page", tally, std::size(ConversationFaults));
    EXPECT_GT(tally.runs, 200);
}

} // namespace
