#pragma once
// A MatrixDevice wired to pages in process, through a VirtualClock: the fast, deterministic links
// of conversation tests. Nothing happens at once: replies arrive after the reply latency (plus any
// delay a fault adds) when the test advances the clock.
//
// Serial: one InProcessSerial per page, all leading to the same device port COM<n>. As on a real
// port only one object holds it open at a time; signalClose releases it at once. Reply bytes reach
// the byte handler one by one, with the port number, only while the same opening of the port is
// still current and its worker has been started. A hang-up fault calls the serial failure handler
// and leaves that opening dead (writes lost, nothing delivered) until the port is opened afresh.
//
// TCP: one connection at a time (InProcessTcp, the program's one socket). connectMatrix completes
// after the connect delay: onTcpConnected(0) when the address is the matrix's, else 111 (refused).
// Every reply write is one onTcpData call (a split reply is several, a merged pair one). A new
// connectMatrix or close() drops everything still scheduled for the old connection.
//
// Lifetime: the clock and the device must outlive this object; InProcessSerial objects may outlive
// it (they then behave as closed ports). Anything scheduled for an object that is gone is dropped.

#include "sim/device/Emission.h"
#include "sim/device/MatrixDevice.h"

#include "VirtualClock.h"
#include "core/link/Transports.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::sim {

// TCP error reported for a refused connect (ECONNREFUSED).
inline constexpr int ConnectRefused = 111;

class InProcessSerial;
class InProcessTcp;

class InProcessMatrix {
public:
    InProcessMatrix(MatrixDevice& device, VirtualClock& clock);
    ~InProcessMatrix();
    InProcessMatrix(const InProcessMatrix&) = delete;
    InProcessMatrix& operator=(const InProcessMatrix&) = delete;

    // A new serial port object for one page.
    std::unique_ptr<InProcessSerial> createSerial();
    // The program's TCP socket.
    InProcessTcp& tcp() { return *tcp_; }

    // The COM number the device answers on (default 1); other numbers cannot be opened.
    void setComPortNumber(int n);
    // The matrix's address (default "127.0.0.1"); connects to other addresses are refused.
    void setTcpAddress(std::string ip);
    // Virtual time from connectMatrix to its completion (default 1 ms).
    void setConnectDelayMs(int ms);
    // Virtual time from a write to the device's reply (default 5 ms).
    void setReplyLatencyMs(int ms);
    // Where a serial hang-up is reported (the main window's serial failure).
    void setSerialFailureHandler(std::function<void()> handler);

    // Pushes the standby report to whoever holds the link, after the reply latency.
    void sendStandbyReport(LinkKind link);

    MatrixDevice& device();

    struct Core;

private:
    std::shared_ptr<Core> core_;
    std::unique_ptr<InProcessTcp> tcp_;
};

class InProcessSerial : public SerialLink {
public:
    ~InProcessSerial() override;
    InProcessSerial(const InProcessSerial&) = delete;
    InProcessSerial& operator=(const InProcessSerial&) = delete;

    bool openPort(int portNumber, const SerialSettings& settings) override;
    bool startWorker() override;
    void writeBytes(const std::uint8_t* data, std::size_t size) override;
    void signalClose() override;
    bool isOpen() const override;

    // Receives every reply byte with the port number (wire it to PageLink::onSerialByte).
    void setByteHandler(std::function<void(std::uint8_t byte, int portNumber)> handler);
    // The settings of the last successful openPort.
    const SerialSettings& settings() const;

    struct End;

private:
    friend class InProcessMatrix;
    explicit InProcessSerial(std::weak_ptr<InProcessMatrix::Core> core);

    std::weak_ptr<InProcessMatrix::Core> core_;
    std::shared_ptr<End> end_;
};

class InProcessTcp : public TcpLink {
public:
    void connectMatrix(TcpReceiver& receiver, const std::string& ip) override;
    void send(const std::uint8_t* data, std::size_t size) override;
    void close() override;
    void forget(TcpReceiver& receiver) override;

    bool connected() const;
    // connectMatrix calls so far.
    int connectCount() const;

private:
    friend class InProcessMatrix;
    explicit InProcessTcp(std::weak_ptr<InProcessMatrix::Core> core) : core_(std::move(core)) {}

    std::weak_ptr<InProcessMatrix::Core> core_;
};

} // namespace quorvane::sim
