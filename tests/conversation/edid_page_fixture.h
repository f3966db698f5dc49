#pragma once
// An EDID page wired to the in-process simulated matrix over the virtual clock, with recorders for
// the dialogs, the main window's busy notification and everything the matrix receives.

#include "InProcessPageFixture.h"
#include "core/edid/EdidPage.h"
#include "edid_frames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::test {

class EdidPageTest : public ::testing::TestWithParam<ControlMode>, protected InProcessPageFixture {
protected:
    EdidPageTest() {
        recordEverythingTaken([this](std::int64_t atMs, Bytes bytes) {
            received.push_back({atMs, std::move(bytes)});
        });
    }

    // The page created and shown on the link of the test's parameter (COM1 or TCP), as the main
    // window does it, with its first read-back done.
    void start(ControlMode mode) {
        if (mode == ControlMode::Tcp)
            useReadyTcp();
        else
            useOpenCom1();
        createPage();
        page->onSwitchedTo();
        if (mode == ControlMode::Tcp)
            page->reconnect();
        clock.advance(150);
        page->onShow();
        clock.advance(500);
        received.clear();
    }
    void start() { start(GetParam()); }
    void createPage() {
        page = pages.edid(*timers, *serial);
        serial->setByteHandler(
            [this](std::uint8_t byte, int port) { page->onSerialByte(byte, port); });
    }
    // From the next reply on, the matrix stays silent.
    void silenceMatrix() { silenceMatrixFor(1000); }
    // A frame from the matrix on the page's link.
    void feed(const Bytes& bytes) {
        if (state.tcpMode())
            feedTcpTo(page->link(), bytes);
        else
            feedSerialTo(page->link(), bytes);
    }

    // What the matrix has taken in since the last check (frames and raw blocks), in order.
    std::vector<Bytes> toMatrix() {
        std::vector<Bytes> out;
        for (const auto& [at, bytes] : received)
            out.push_back(bytes);
        received.clear();
        return out;
    }
    static std::vector<Bytes> allNameQueries() {
        std::vector<Bytes> out;
        for (std::uint8_t n = 1; n <= 8; ++n)
            out.push_back(edidframes::nameQuery(n));
        return out;
    }
    // Moves time on, a millisecond at a time, until a message box opens (at most `limitMs`).
    bool advanceUntilMessage(int limitMs = 1000) {
        for (int i = 0; i < limitMs && !view.messageUp; ++i)
            clock.advance(1);
        return view.messageUp;
    }

    static Bytes readFile(const std::string& name) {
        std::ifstream in(std::filesystem::path(QUORVANE_EDID_REAL_DIR) / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::string realFile(const std::string& name) {
        return (std::filesystem::path(QUORVANE_EDID_REAL_DIR) / name).string();
    }

    std::unique_ptr<EdidPage> page;
    std::vector<std::pair<std::int64_t, Bytes>> received;
};

// The same wiring for tests that choose their link themselves.
class EdidPageEntryTest : public EdidPageTest {};

inline std::string linkName(const ::testing::TestParamInfo<ControlMode>& info) {
    return info.param == ControlMode::Tcp ? "Tcp" : "Com";
}

} // namespace quorvane::test
