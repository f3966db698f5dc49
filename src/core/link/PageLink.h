#pragma once
// A page's end of the link to the matrix: sends frames on the transport that controlMode selects
// (the page's own serial port or the shared TCP socket) and echoes them into the page's send log;
// reassembles received serial bytes and TCP data into frames, logs them by the page's rules and
// hands every frame to the page's frame handler on the user-interface thread.

#include "core/app/LinkState.h"
#include "core/app/Timers.h"
#include "core/link/Commands.h"
#include "core/link/Frame.h"
#include "core/link/SerialFrameAssembler.h"
#include "core/link/TcpFrameAssembler.h"
#include "core/link/Traffic.h"
#include "core/link/TrafficLog.h"
#include "core/link/Transports.h"

#include <cstdint>
#include <functional>

namespace quorvane {

// Which received serial bytes count towards the receive log's line break.
enum class SerialLogCount { CollectedBytes, EveryByte, NotLogged };
// How received TCP data is written into the receive log.
enum class TcpLogStyle {
    FramePerLine, // each frame handed to the page, as one line
    EveryByte,    // every byte received, a line break after each 13
    None,         // the page logs for itself
};

class PageLink : public TcpReceiver {
public:
    using FrameHandler = std::function<void(const Frame& frame, bool intact, Transport transport)>;

    struct Rules {
        SerialLogCount serialLog = SerialLogCount::CollectedBytes;
        TcpLogStyle tcpLog = TcpLogStyle::FramePerLine;
    };

    PageLink(LinkState& state, SerialLink& serial, TcpLink& tcp, const Clock& clock, Rules rules);
    ~PageLink() override;
    PageLink(const PageLink&) = delete;
    PageLink& operator=(const PageLink&) = delete;

    const Clock& clock() const { return clock_; }

    void setFrameHandler(FrameHandler handler) { frameHandler_ = std::move(handler); }
    // The handler frames go to now, so that a conversation that borrows the link for a while can
    // hand on what is not its own.
    const FrameHandler& frameHandler() const { return frameHandler_; }
    // Received TCP data is taken only while the gate answers true; otherwise it is dropped
    // unlogged.
    void setTcpGate(std::function<bool()> gate) { tcpGate_ = std::move(gate); }
    // Called after tcpConnected has changed by a connect or close notification.
    void setTcpStateHandler(std::function<void()> handler) {
        tcpStateHandler_ = std::move(handler);
    }

    // Builds the frame, echoes it into the send log and transmits it. The result of the
    // transmission is not looked at: the caller's timers detect a missing reply.
    void send(const CommandBytes& command);
    void sendFrame(const Frame& frame);
    // A raw block (EDID data, firmware block) on the selected transport; echoed when `echo`.
    void sendRaw(const std::uint8_t* data, std::size_t size, bool echo);

    // Called by the frame handler: the frame being handled is no answer to anything the page
    // waits for; the traffic window shows it as unexpected.
    void markUnexpected() { pending_.unexpected = true; }

    // One received serial byte from port `portNumber`. Returns 0, or -1 for a port number outside
    // 1..255. Ignored (0) in TCP mode.
    int onSerialByte(std::uint8_t byte, int portNumber);

    // TcpReceiver
    void onTcpConnected(int error) override;
    void onTcpData(const std::uint8_t* data, std::size_t size) override;
    void onTcpClosed() override;

    // Starts a new TCP connection to matrixIp for this page; a partial frame of the old connection
    // is forgotten and tcpConnected is cleared until the connect completes.
    void connectMatrix();

    // Opens the page's serial port on `portNumber` and starts delivery; false if it cannot be
    // opened.
    bool openSerial(int portNumber, const SerialSettings& settings);
    void closeSerial() { serial_.signalClose(); }
    // A page coming on show in COM mode: with the COM link connected, its own port is opened
    // afresh (closed first, open or not) with two stop bits, which the shared page settings keep.
    // False when the COM link is not connected or the port cannot be opened.
    bool reopenSerialForShow();
    bool serialOpen() const { return serial_.isOpen(); }

    SerialLink& serial() { return serial_; }
    TcpLink& tcp() { return tcp_; }
    LinkState& state() { return state_; }
    TrafficLog& sendLog() { return sendLog_; }
    TrafficLog& receiveLog() { return receiveLog_; }
    const TrafficLog& sendLog() const { return sendLog_; }
    const TrafficLog& receiveLog() const { return receiveLog_; }

private:
    void transmit(const std::uint8_t* data, std::size_t size);
    Transport selectedTransport() const;
    // Tells the program's traffic sink (if any) what went out or came in.
    void report(TrafficDirection direction, Transport transport, const std::uint8_t* data,
                std::size_t size, bool raw);
    void deliver(const Frame& frame, bool intact, Transport transport);
    void recordPending();

    LinkState& state_;
    SerialLink& serial_;
    TcpLink& tcp_;
    const Clock& clock_;
    Rules rules_;
    TrafficLog sendLog_;
    TrafficLog receiveLog_;
    SerialFrameAssembler serialAssembler_;
    TcpFrameAssembler tcpAssembler_;
    FrameHandler frameHandler_;
    std::function<bool()> tcpGate_;
    std::function<void()> tcpStateHandler_;
    // The received frame being handled: recorded once the handler is done (so that it can be
    // marked) or as soon as the handler sends something (so that the order stays true).
    TrafficEntry pending_;
    bool hasPending_ = false;
};

} // namespace quorvane
