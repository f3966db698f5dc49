#pragma once
// A serial port object that opens without a device and records what is written to it, for tests
// that exercise a page's link over another transport.

#include "core/link/Transports.h"

#include <cstdint>
#include <vector>

namespace quorvane {

class FakeSerialLink : public SerialLink {
public:
    bool openPort(int, const SerialSettings&) override { return open_ = true; }
    bool startWorker() override { return open_; }
    void writeBytes(const std::uint8_t* data, std::size_t size) override {
        written_.insert(written_.end(), data, data + size);
    }
    void signalClose() override { open_ = false; }
    bool isOpen() const override { return open_; }

    const std::vector<std::uint8_t>& written() const { return written_; }

private:
    bool open_ = false;
    std::vector<std::uint8_t> written_;
};

} // namespace quorvane
