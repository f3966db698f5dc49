#pragma once
// The session's world in the program: Qt's event loop and monotonic clock, the machine's serial
// port (COM<n> through the ports folder), one TCP socket and one UDP socket. The serial port is
// opened once for the whole command: a page closing and reopening it with the same settings takes
// the same device up again.

#include "cli/SessionWorld.h"

#include "platform/app/QtTimers.h"
#include "platform/link/MatrixSocket.h"
#include "platform/link/QtUdpLink.h"
#include "platform/link/SerialPort.h"

class QEventLoop;

namespace quorvane::cli {

class SystemWorld : public SessionWorld {
public:
    SystemWorld();
    ~SystemWorld() override;
    SystemWorld(const SystemWorld&) = delete;
    SystemWorld& operator=(const SystemWorld&) = delete;

    const Clock& clock() const override { return clock_; }
    std::unique_ptr<Timers> createTimers() override;
    SerialLink& serial() override { return serial_; }
    void setSerialByteHandler(ByteHandler handler) override;
    void setSerialFailureHandler(std::function<void()> handler) override;
    std::string openFailure(int n, int cause) override;
    TcpLink& tcp() override { return socket_; }
    UdpLink& udp() override;
    bool run(int limitMs) override;
    void stop() override;

private:
    QtClock clock_;
    SerialPort serial_;
    MatrixSocket socket_;
    // Made when first asked for: only the search uses it.
    std::unique_ptr<QtUdpLink> udp_;
    QEventLoop* loop_ = nullptr;
};

} // namespace quorvane::cli
