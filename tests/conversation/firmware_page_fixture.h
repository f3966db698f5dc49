#pragma once
// A firmware page wired to the in-process simulated matrix over the virtual clock, with recorders
// for the dialogs, the main window's busy notification and everything the matrix takes in.

#include "InProcessPageFixture.h"
#include "core/firmware/FirmwarePage.h"
#include "firmware_frames.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace quorvane::test {

class FirmwarePageTest : public ::testing::Test, protected InProcessPageFixture {
protected:
    struct Taken {
        std::int64_t atMs;
        Bytes bytes;
    };

    FirmwarePageTest() {
        recordEverythingTaken([this](std::int64_t atMs, Bytes bytes) {
            taken.push_back({atMs, std::move(bytes)});
        });
        device.state().rebootMs = 1000;
    }
    ~FirmwarePageTest() override {
        for (const std::string& path : files)
            std::remove(path.c_str());
    }

    // A serial link on COM1 as the General page leaves it; the page created and shown, its
    // information query answered.
    void startCom() {
        useOpenCom1();
        createPage();
        showPage();
    }
    void createPage() {
        page = pages.firmware(*timers, *serial);
        serial->setByteHandler(
            [this](std::uint8_t byte, int port) { page->onSerialByte(byte, port); });
    }
    void showPage() {
        page->onAnySwitch();
        page->onSwitchedTo();
        clock.advance(150);
        page->onShow();
        clock.advance(100);
        taken.clear();
    }

    // Writes `plain` as a firmware file (scrambled with the key 0xA7 ^ low length byte) and loads
    // it through the open button.
    void loadFirmware(const Bytes& plain, const std::string& extension = ".fw") {
        const std::string path = writeScrambled(plain, extension);
        ASSERT_TRUE(page->openFile(path));
    }
    std::string writeScrambled(const Bytes& plain, const std::string& extension = ".fw") {
        const std::string path = ::testing::TempDir() + "fw_page_" + std::to_string(getpid()) +
                                 "_" + std::to_string(files.size()) + extension;
        const auto key = static_cast<std::uint8_t>((plain.size() & 0xFF) ^ 0xA7);
        std::ofstream out(path, std::ios::binary);
        for (std::uint8_t b : plain)
            out.put(static_cast<char>(b ^ key));
        files.push_back(path);
        return path;
    }

    // An image of `size` bytes whose every byte differs from its neighbours'.
    static Bytes image(std::size_t size, std::uint8_t seed = 1) {
        Bytes out(size);
        for (std::size_t i = 0; i < size; ++i)
            out[i] = static_cast<std::uint8_t>((i * 7 + seed + i / 256) & 0xFF);
        // No marker pair inside the image.
        for (auto& b : out) {
            if (b >= 0xA2 && b <= 0xA5)
                b = 0x11;
        }
        return out;
    }
    static Bytes section(std::uint8_t m1, std::uint8_t m2, const Bytes& body) {
        Bytes out{m1, m2};
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

    // Frames (13 bytes) the matrix has taken in since the last check; raw blocks are left out.
    std::vector<Bytes> framesTaken() {
        std::vector<Bytes> out;
        for (const Taken& t : taken) {
            if (t.bytes.size() == 13)
                out.push_back(t.bytes);
        }
        taken.clear();
        return out;
    }
    // The matrix stays silent from its next reply on.
    void silenceMatrix() { silenceMatrixFor(100000); }
    void feedSerial(const Bytes& bytes) { feedSerialTo(page->link(), bytes); }
    const std::vector<std::uint8_t>& received(int part) const {
        return device.state().firmwareImages.at(static_cast<std::size_t>(part - 1));
    }
    bool endedIdle() const {
        return !page->upgrading() && page->upgradeEnabled() && !events.busy.empty() &&
               !events.busy.back();
    }

    std::unique_ptr<FirmwarePage> page;
    std::vector<Taken> taken;
    std::vector<std::string> files;
};

} // namespace quorvane::test
