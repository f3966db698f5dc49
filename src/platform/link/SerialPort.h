#pragma once
// A page's serial port to the matrix, over POSIX termios.
//
// Contract:
// - Threading: every member is called on the user-interface thread, and every handler runs there,
//   from Qt's event loop (socket notifiers on the port's file descriptor). No thread, no lock.
// - Names: openPort(n) opens the device that "COM<n>" names (ports::resolvePort). Before opening,
//   it refuses a device that another process holds (open descriptor, lock, lock file), the
//   kernel's console and a legacy port without a UART (ports::refusalBeforeOpen); after opening,
//   a device whose exclusive flag another program has set. openRefusal() then says why.
// - Holding: an flock keeps any other SerialPort of this program out (root included), TIOCEXCL
//   keeps other unprivileged programs out. Both are dropped before the descriptor is closed, so the
//   next open of the device by another object succeeds at once. Only a flag this object set is
//   cleared: another program's flag is never touched.
// - Line: raw bytes, the given baud rate, parity and stop bits, 8 data bits, no flow control,
//   RTS raised where the device has modem lines. Settings the device refuses are ignored.
// - Reading: after startWorker() every received byte goes to the byte handler, one call per byte,
//   in order. Bytes that arrived before the open are kept, not discarded.
// - Writing: writeBytes() queues and returns at once; queued bytes go out in order and none is
//   dropped or overwritten while the port stays open. signalClose() discards what is still queued.
// - Errors: openPort() returns false when the name leads nowhere, the device cannot be opened, is
//   not a terminal or is held by another SerialPort. A read or write error or a hang-up (adapter
//   unplugged, far end of a pseudo-terminal closed) stops all I/O on the port and calls the failure
//   handler once; the port stays open (isOpen() true) until signalClose().
// - Ownership: the object owns its descriptor and notifiers; destruction closes the port.
//   Handlers may call any member, including signalClose() and openPort(), or destroy the object.

#include "core/link/Transports.h"

#include <QByteArray>
#include <QObject>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class QSocketNotifier;

namespace quorvane {

class SerialPort : public QObject, public SerialLink {
    Q_OBJECT
public:
    using ByteHandler = std::function<void(std::uint8_t byte, int portNumber)>;
    using FailureHandler = std::function<void()>;

    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // SerialLink
    bool openPort(int portNumber, const SerialSettings& settings) override;
    bool startWorker() override;
    void writeBytes(const std::uint8_t* data, std::size_t size) override;
    void signalClose() override;
    bool isOpen() const override { return fd_ >= 0 && !suspended_; }
    std::string openRefusal() const override { return refusal_; }

    void setByteHandler(ByteHandler handler) { byteHandler_ = std::move(handler); }
    // Called once per open when the line fails.
    void setFailureHandler(FailureHandler handler) { failureHandler_ = std::move(handler); }

    // Keep the device across a close and a reopen: signalClose then only stops the reading and
    // drops what is still to be written (as a close would), and the next openPort of the same
    // port with the same settings takes the device up again without opening it anew (and without
    // a new look at which other programs hold it). Any other openPort, a failed line and the
    // destructor close it for real. For a program that talks over one port from start to end.
    void setKeepOpenAcrossReopen(bool keep) { keepOpen_ = keep; }

    // The number n of the open "COM<n>"; 0 before the first open.
    int portNumber() const { return portNumber_; }

private:
    void onReadable();
    void onWritable();
    // Writes as much of the queue as the device takes now; false on a write error.
    bool flushQueue();
    // Stops all I/O on a failed line; notifyFailure() then tells the owner.
    void stopIo();
    void notifyFailure();
    void closeDevice();
    void retireNotifiers();
    // Stops all I/O but keeps the device (setKeepOpenAcrossReopen).
    void suspend();

    int fd_ = -1;
    int portNumber_ = 0;
    // This object set the device's exclusive flag, and clears it again on close.
    bool ownsExclusiveFlag_ = false;
    std::string refusal_;
    // Counts opens and closes, so a delivery loop notices that a handler closed or reopened the
    // port.
    unsigned generation_ = 0;
    bool failed_ = false;
    bool keepOpen_ = false;
    // Closed as the owner sees it, the device still held for a reopen.
    bool suspended_ = false;
    // The settings the device was opened with.
    SerialSettings openSettings_;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QByteArray writeQueue_;
    ByteHandler byteHandler_;
    FailureHandler failureHandler_;
};

} // namespace quorvane
