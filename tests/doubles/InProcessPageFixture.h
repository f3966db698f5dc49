#pragma once
// What every page test in virtual time is built on: the simulated matrix wired in process over the
// virtual clock, the link state the pages share, the dialogs with a recording view, a recorder for
// the main window's busy notification, the page's timers and its serial port to the matrix, and
// the page set that builds the page on them.
//
// A fixture derives from it beside its GoogleTest base and adds its page:
//
//     class MatrixPageTest : public ::testing::Test, protected InProcessPageFixture {
//         ...
//         std::unique_ptr<MatrixPage> page = pages.matrix(*timers, *serial);
//     };

#include "InProcessMatrix.h"
#include "RecordingDialogView.h"
#include "VirtualClock.h"
#include "core/app/Dialogs.h"
#include "core/app/PageSet.h"
#include "core/link/PageLink.h"
#include "sim/device/MatrixDevice.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace quorvane::test {

using Bytes = std::vector<std::uint8_t>;

// `bytes` as they come from the matrix on COM1, one at a time.
inline void feedSerialTo(PageLink& link, const Bytes& bytes) {
    for (std::uint8_t b : bytes)
        link.onSerialByte(b, 1);
}
// `bytes` as they come from the matrix over TCP, in one piece.
inline void feedTcpTo(PageLink& link, const Bytes& bytes) {
    link.onTcpData(bytes.data(), bytes.size());
}

class InProcessPageFixture {
protected:
    // The link state of a serial link on COM1 as the General page leaves it.
    void useOpenCom1() {
        state.comPortNumber = 1;
        state.comLinkOpen = true;
    }
    // The link state of a confirmed TCP connection to the matrix on loopback.
    void useReadyTcp() {
        state.controlMode = ControlMode::Tcp;
        state.matrixIp = "127.0.0.1";
        state.tcpLinkReady = true;
    }
    // From the next reply on, the matrix stays silent for `replies` replies.
    void silenceMatrixFor(int replies) {
        device.faults().dropReply = device.replyCount() + 1;
        device.faults().dropCount = replies;
    }
    // Frames the matrix has taken in since the last check, as byte vectors.
    std::vector<Bytes> framesToMatrix() {
        std::vector<Bytes> out;
        for (const Frame& f : device.framesSeen())
            out.emplace_back(f.begin(), f.end());
        device.clearFramesSeen();
        return out;
    }
    // Hands everything the matrix takes in from now on (frames and raw blocks alike) to `record`,
    // with the virtual time it came.
    void recordEverythingTaken(std::function<void(std::int64_t atMs, Bytes bytes)> record) {
        device.setReceiveObserver([this, record = std::move(record)](
                                      sim::LinkKind, const std::uint8_t* data, std::size_t size) {
            record(clock.nowMs(), Bytes(data, data + size));
        });
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
    // Builds the fixture's page as the window and the command line do, on the services above.
    PageSet pages{PageServices{state, clock, matrix.tcp(), dialogs, events}};
};

} // namespace quorvane::test
