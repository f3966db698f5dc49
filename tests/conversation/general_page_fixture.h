#pragma once
// The General page (connection controls and device information), built by the page set as the
// window builds it, wired to the in-process simulated matrix over the virtual clock, with recorders
// for the dialogs and the main window's busy notification.

#include "InProcessConnectionFixture.h"
#include "core/device/GeneralPage.h"
#include "core/device/GeneralParts.h"
#include "device_frames.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quorvane::test {

using namespace quorvane::test::device;
using Texts = std::vector<std::string>;

class GeneralPageTest : public ::testing::Test, protected InProcessPageFixture {
protected:
    GeneralPageTest() {
        serial->setByteHandler(
            [this](std::uint8_t byte, int port) { link.onSerialByte(byte, port); });
        page.setConfirmListener(
            [this](const std::string& question) { questions.push_back(question); });
        connection.create();
    }

    // COM1 connected through the "Connect" button; its beep and DVI state queries answered.
    void connectCom() {
        connection.clickComConnect();
        clock.advance(100);
        device.clearFramesSeen();
    }
    // A TCP connection through the "Connect" button; its state queries answered.
    void connectTcp() {
        connection.chooseTcpMode();
        connection.editIpText("127.0.0.1");
        connection.clickTcpConnect();
        clock.advance(200);
        device.clearFramesSeen();
    }
    // From the next reply on, the matrix stays silent.
    void silenceMatrix() { silenceMatrixFor(1000); }
    void feedSerial(const Bytes& bytes) { feedSerialTo(link, bytes); }
    void feedTcp(const Bytes& bytes) { feedTcpTo(link, bytes); }
    Texts allLabels() const {
        Texts out;
        for (int port = 1; port <= 8; ++port) {
            out.push_back(page.inputLabel(port));
            out.push_back(page.outputLabel(port));
        }
        return out;
    }
    bool switchOn(GeneralPage::Switch which) const { return page.switchOn(which); }

    std::unique_ptr<sim::InProcessSerial> probePort = matrix.createSerial();
    SerialLinkProbe probe{*probePort, SerialSettings{}};
    NoConnectionView connectionView;
    std::unique_ptr<GeneralParts> parts =
        pages.general(GeneralSeams{*serial, *timers, probe, connectionView});
    PageLink& link = parts->link();
    GeneralConnection& connection = parts->connection();
    GeneralPage& page = parts->page();
    Texts questions;
};

// The labels of a matrix with IN1..IN4 and OUTA..OUTD attached (the simulator's default).
inline const Texts DefaultLabels = {
    "HDMI IN1: Connect",     "HDMI OUTA: Connect",    "HDMI IN2: Connect",
    "HDMI OUTB: Connect",    "HDMI IN3: Connect",     "HDMI OUTC: Connect",
    "HDMI IN4: Connect",     "HDMI OUTD: Connect",    "HDMI IN5: Disconnect",
    "HDMI OUTE: Disconnect", "HDMI IN6: Disconnect",  "HDMI OUTF: Disconnect",
    "HDMI IN7: Disconnect",  "HDMI OUTG: Disconnect", "HDMI IN8: Disconnect",
    "HDMI OUTH: Disconnect"};

} // namespace quorvane::test
