#pragma once
// A Matrix page wired to the in-process simulated matrix over the virtual clock, with recorders for
// the dialogs and the main window's busy notification.

#include "InProcessPageFixture.h"
#include "LiteralFrames.h"
#include "core/routing/MatrixPage.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quorvane::test {

class MatrixPageTest : public ::testing::Test, protected InProcessPageFixture {
protected:
    // A serial link on COM1 as the General page leaves it, and the page created and shown.
    void startCom() {
        useOpenCom1();
        createPage();
        showPage();
    }
    // A TCP link with a confirmed connection, and the page shown as the main window does it.
    void startTcp() {
        useReadyTcp();
        createPage();
        page->reconnect();
        showPage();
    }
    void createPage() {
        // The page is created when it first comes on show.
        state.currentPage = PageId::Matrix;
        page = pages.matrix(*timers, *serial);
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
    void silenceMatrix() { silenceMatrixFor(1000); }
    void feedSerial(const Bytes& bytes) { feedSerialTo(page->link(), bytes); }
    void feedTcp(const Bytes& bytes) { feedTcpTo(page->link(), bytes); }

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

    std::unique_ptr<MatrixPage> page;
};

} // namespace quorvane::test
