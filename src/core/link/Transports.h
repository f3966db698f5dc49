#pragma once
// The transport seams a page talks through. Production: SerialPort (termios) and the shared TCP
// socket (Qt); tests: the simulated matrix wired in process, or the real transports on loopback.

#include "core/app/LinkState.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvane {

// Udp: the matrix search and the network configuration, which use no frames.
enum class Transport { Serial, Tcp, Udp };

// One page's own serial port object. Received bytes go to the owning page's onSerialByte();
// a read failure is reported once to the main window as the serial failure.
class SerialLink {
public:
    virtual ~SerialLink() = default;
    // Opens "COM<portNumber>" with the settings; false when it cannot be opened (absent, in use).
    virtual bool openPort(int portNumber, const SerialSettings& settings) = 0;
    // Starts delivering received bytes. Called after a successful openPort.
    virtual bool startWorker() = 0;
    // Queues bytes for sending; returns at once. Nothing queued is dropped.
    virtual void writeBytes(const std::uint8_t* data, std::size_t size) = 0;
    // Closes the port; a later openPort of the same device by any object succeeds.
    virtual void signalClose() = 0;
    virtual bool isOpen() const = 0;
    // Why the last openPort refused the port because of another program (it holds the port, or
    // the port is the system console), in a sentence that names the port and, where it can be
    // seen, the program; empty after a success and after any other failure.
    virtual std::string openRefusal() const { return {}; }
};

// Receives the notifications of the shared TCP socket; the page that connected last gets them.
class TcpReceiver {
public:
    virtual ~TcpReceiver() = default;
    // Connect completed; error 0 means connected.
    virtual void onTcpConnected(int error) = 0;
    virtual void onTcpData(const std::uint8_t* data, std::size_t size) = 0;
    virtual void onTcpClosed() = 0;
};

// The program's one TCP connection to the matrix (port MatrixTcpPort).
class TcpLink {
public:
    virtual ~TcpLink() = default;
    // Throws the old connection away and starts a new one to `ip` (dotted IPv4, never looked up by
    // name), whose notifications go to `receiver`. Completion is reported later, never at once.
    virtual void connectMatrix(TcpReceiver& receiver, const std::string& ip) = 0;
    // One plain send; a failure is silent (the caller's reply timers notice).
    virtual void send(const std::uint8_t* data, std::size_t size) = 0;
    // Closes the connection; no notification follows.
    virtual void close() = 0;
    // Drops `receiver` if it is the current one (a page going away).
    virtual void forget(TcpReceiver& receiver) = 0;
};

// Program-wide notifications from a page to the main window.
class AppEvents {
public:
    virtual ~AppEvents() = default;
    // A long operation runs (true: disable the hidden page buttons) or ended (false).
    virtual void pageBusy(bool busy) = 0;
    // A serial port failed (adapter unplugged, far end hung up).
    virtual void serialFailure() = 0;
};

} // namespace quorvane
