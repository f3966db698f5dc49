#include "core/link/PageLink.h"

#include "core/link/Traffic.h"

namespace quorvane {

PageLink::PageLink(LinkState& state, SerialLink& serial, TcpLink& tcp, const Clock& clock,
                   Rules rules)
    : state_(state), serial_(serial), tcp_(tcp), clock_(clock), rules_(rules) {}

PageLink::~PageLink() {
    tcp_.forget(*this);
}

void PageLink::send(const CommandBytes& command) {
    sendFrame(buildFrame(command));
}

void PageLink::sendFrame(const Frame& frame) {
    for (std::uint8_t byte : frame)
        sendLog_.appendByte(byte);
    transmit(frame.data(), frame.size());
    report(TrafficDirection::Sent, selectedTransport(), frame.data(), frame.size(), false);
}

void PageLink::sendRaw(const std::uint8_t* data, std::size_t size, bool echo) {
    if (echo) {
        for (std::size_t i = 0; i < size; ++i)
            sendLog_.appendByte(data[i]);
    }
    transmit(data, size);
    report(TrafficDirection::Sent, selectedTransport(), data, size, true);
}

void PageLink::transmit(const std::uint8_t* data, std::size_t size) {
    if (state_.tcpMode())
        tcp_.send(data, size);
    else
        serial_.writeBytes(data, size);
}

int PageLink::onSerialByte(std::uint8_t byte, int portNumber) {
    if (state_.tcpMode())
        return 0;
    if (portNumber < 1 || portNumber > 255)
        return -1;
    auto frame = serialAssembler_.feed(byte, clock_.nowMs());
    const bool counts =
        rules_.serialLog == SerialLogCount::EveryByte || serialAssembler_.lastByteCollected();
    if (rules_.serialLog != SerialLogCount::NotLogged)
        receiveLog_.appendByte(byte, counts);
    if (frame)
        deliver(frame->bytes, frame->intact, Transport::Serial);
    return 0;
}

void PageLink::onTcpConnected(int error) {
    if (error != 0)
        return;
    state_.tcpConnected = true;
    if (tcpStateHandler_)
        tcpStateHandler_();
}

void PageLink::onTcpClosed() {
    state_.tcpConnected = false;
    if (tcpStateHandler_)
        tcpStateHandler_();
}

void PageLink::onTcpData(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || (tcpGate_ && !tcpGate_()))
        return;
    if (rules_.tcpLog == TcpLogStyle::EveryByte) {
        for (std::size_t i = 0; i < size; ++i)
            receiveLog_.appendByte(data[i]);
    }
    for (const Frame& frame : tcpAssembler_.feed(data, size)) {
        if (rules_.tcpLog == TcpLogStyle::FramePerLine)
            receiveLog_.appendLine(frame.data(), frame.size());
        deliver(frame, isIntact(frame), Transport::Tcp);
    }
}

Transport PageLink::selectedTransport() const {
    return state_.tcpMode() ? Transport::Tcp : Transport::Serial;
}

void PageLink::report(TrafficDirection direction, Transport transport, const std::uint8_t* data,
                      std::size_t size, bool raw) {
    recordPending();
    if (state_.traffic == nullptr)
        return;
    TrafficEntry entry;
    entry.timeMs = clock_.nowMs();
    entry.direction = direction;
    entry.transport = transport;
    entry.bytes.assign(data, data + size);
    entry.raw = raw;
    state_.traffic->record(std::move(entry));
}

void PageLink::recordPending() {
    if (!hasPending_)
        return;
    hasPending_ = false;
    if (state_.traffic != nullptr)
        state_.traffic->record(std::move(pending_));
    pending_ = TrafficEntry{};
}

void PageLink::deliver(const Frame& frame, bool intact, Transport transport) {
    recordPending();
    pending_ = TrafficEntry{};
    pending_.timeMs = clock_.nowMs();
    pending_.direction = TrafficDirection::Received;
    pending_.transport = transport;
    pending_.bytes.assign(frame.begin(), frame.end());
    hasPending_ = true;
    if (frameHandler_)
        frameHandler_(frame, intact, transport);
    recordPending();
}

void PageLink::connectMatrix() {
    tcpAssembler_.clear();
    tcp_.connectMatrix(*this, state_.matrixIp);
    state_.tcpConnected = false;
}

bool PageLink::reopenSerialForShow() {
    if (!state_.comLinkOpen)
        return false;
    state_.pageSerialSettings.stopBits = 2;
    closeSerial();
    return openSerial(state_.comPortNumber, state_.pageSerialSettings);
}

bool PageLink::openSerial(int portNumber, const SerialSettings& settings) {
    if (!serial_.openPort(portNumber, settings))
        return false;
    return serial_.startWorker();
}

} // namespace quorvane
