#pragma once
// A Matrix page wired to the in-process simulated matrix over the virtual clock, with recorders for
// the dialogs and the main window's busy notification.

#include "InProcessMatrix.h"
#include "MatrixDevice.h"
#include "app/Dialogs.h"
#include "app/VirtualClock.h"
#include "routing/MatrixPage.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quorvane::testing {

using Bytes = std::vector<std::uint8_t>;

struct RecordingDialogView : DialogView {
    void showMessage(const std::string& text) override {
        message = text;
        messages.push_back(text);
    }
    void hideMessage() override { message.clear(); }
    void showBusy(const std::string& text) override { busy = text; }
    void setBusyText(const std::string& text) override { busy = text; }
    void hideBusy() override { busy.clear(); }
    void showNotice(const std::string& text) override { notices.push_back(text); }

    std::string message; // empty while no message box is up
    std::vector<std::string> messages;
    std::string busy; // empty while no busy box is up
    std::vector<std::string> notices;
};

struct RecordingEvents : AppEvents {
    void pageBusy(bool isBusy) override { busy.push_back(isBusy); }
    void serialFailure() override {}
    std::vector<bool> busy;
};

class MatrixPageTest : public ::testing::Test {
protected:
    // A serial link on COM1 as the General page leaves it, and the page created and shown.
    void startCom() {
        state.comPortNumber = 1;
        state.comLinkOpen = true;
        createPage();
        showPage();
    }
    // A TCP link with a confirmed connection, and the page shown as the main window does it.
    void startTcp() {
        state.controlMode = ControlMode::Tcp;
        state.matrixIp = "127.0.0.1";
        state.tcpLinkReady = true;
        createPage();
        page->reconnect();
        showPage();
    }
    void createPage() {
        // The page is created when it first comes on show.
        state.currentPage = PageId::Matrix;
        page = std::make_unique<MatrixPage>(state, *timers, *serial, matrix.tcp(), clock, dialogs,
                                            events);
        serial->setByteHandler(
            [this](std::uint8_t byte, int port) { page->onSerialByte(byte, port); });
    }
    // The status read 150 ms after the show, run until its last answer.
    void showPage() {
        clock.advance(150);
        page->onShow();
        clock.advance(500);
        device.clearFramesSeen();
    }
    // From the next reply on, the matrix stays silent.
    void silenceMatrix() {
        device.faults().dropReply = device.replyCount() + 1;
        device.faults().dropCount = 1000;
    }
    void feedSerial(const Bytes& bytes) {
        for (std::uint8_t b : bytes)
            page->onSerialByte(b, 1);
    }
    void feedTcp(const Bytes& bytes) { page->link().onTcpData(bytes.data(), bytes.size()); }

    // Frames the matrix has taken in since the last check, as byte vectors.
    std::vector<Bytes> framesToMatrix() {
        std::vector<Bytes> out;
        for (const Frame& f : device.framesSeen())
            out.emplace_back(f.begin(), f.end());
        device.clearFramesSeen();
        return out;
    }
    // The route commands the matrix has taken in since the last check, as (input, output).
    std::vector<std::pair<int, int>> routesToMatrix() {
        std::vector<std::pair<int, int>> out;
        for (const Frame& f : device.framesSeen()) {
            if (f[2] == 0x02 && f[3] == 0x03)
                out.emplace_back(f[4], f[6]);
        }
        device.clearFramesSeen();
        return out;
    }
    bool lastBusyNotification() const { return !events.busy.empty() && events.busy.back(); }

    VirtualClock clock;
    sim::MatrixDevice device;
    sim::InProcessMatrix matrix{device, clock};
    LinkState state;
    RecordingDialogView view;
    Dialogs dialogs{state, view};
    RecordingEvents events;
    std::unique_ptr<Timers> timers = clock.createTimers();
    std::unique_ptr<sim::InProcessSerial> serial = matrix.createSerial();
    std::unique_ptr<MatrixPage> page;
};

// Literal frames.
inline const Bytes routeInput3ToOutput2 = {0xA5, 0x5B, 0x02, 0x03, 0x03, 0x00, 0x02,
                                           0x00, 0x00, 0x00, 0x00, 0x00, 0xF6};
inline const Bytes ackOutput2 = {0xA5, 0x5B, 0x02, 0x03, 0x00, 0x00, 0x02,
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0xF9};
inline const Bytes ackOutput2Damaged = {0xA5, 0x5B, 0x02, 0x03, 0x00, 0x00, 0x02,
                                        0x00, 0x00, 0x00, 0x00, 0x00, 0xF8};
inline const Bytes ackOutput6 = {0xA5, 0x5B, 0x02, 0x03, 0x00, 0x00, 0x06,
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0xF5};
inline const Bytes ackOutput6Damaged = {0xA5, 0x5B, 0x02, 0x03, 0x00, 0x00, 0x06,
                                        0x00, 0x00, 0x00, 0x00, 0x00, 0xF4};
inline const Bytes queryOutput1 = {0xA5, 0x5B, 0x02, 0x01, 0x01, 0x00, 0x00,
                                   0x00, 0x00, 0x00, 0x00, 0x00, 0xFC};

} // namespace quorvane::testing
