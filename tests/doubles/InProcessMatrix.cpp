#include "InProcessMatrix.h"

#include <algorithm>

namespace quorvane::sim {

// One page's serial port object, shared with the tasks that deliver to it.
struct InProcessSerial::End {
    bool open = false;
    bool started = false;
    bool hungUp = false;
    int portNumber = 0;
    std::uint64_t opening = 0; // which opening of the port this is; deliveries carry it
    SerialSettings settings;
    std::function<void(std::uint8_t, int)> byteHandler;

    bool current(std::uint64_t id) const { return open && !hungUp && opening == id; }
};

struct InProcessMatrix::Core : std::enable_shared_from_this<InProcessMatrix::Core> {
    Core(MatrixDevice& d, VirtualClock& c) : device(d), clock(c) {}

    MatrixDevice& device;
    VirtualClock& clock;
    int comPortNumber = 1;
    std::string tcpAddress = "127.0.0.1";
    int connectDelayMs = 1;
    int replyLatencyMs = 5;
    std::function<void()> serialFailure;

    // The serial object holding the device port, if any.
    std::weak_ptr<InProcessSerial::End> serialHolder;
    std::uint64_t nextOpening = 0;

    TcpReceiver* receiver = nullptr;
    std::uint64_t connection = 0; // bumped whenever the old connection's traffic must be dropped
    bool connected = false;
    int connectCount = 0;

    void deliverSerial(const std::weak_ptr<InProcessSerial::End>& target, std::uint64_t opening,
                       std::vector<Emission> emissions);
    void deliverTcp(std::uint64_t conn, std::vector<Emission> emissions);
};

namespace {

// Runs `task` on the core after `delayMs`, unless the core is gone by then.
template <typename Task>
void later(const std::shared_ptr<InProcessMatrix::Core>& core, std::int64_t delayMs, Task task) {
    std::weak_ptr<InProcessMatrix::Core> weak = core;
    core->clock.schedule(delayMs, [weak, task = std::move(task)]() mutable {
        if (auto alive = weak.lock())
            task(*alive);
    });
}

} // namespace

void InProcessMatrix::Core::deliverSerial(const std::weak_ptr<InProcessSerial::End>& target,
                                          std::uint64_t opening, std::vector<Emission> emissions) {
    for (Emission& emission : emissions) {
        const std::int64_t due = replyLatencyMs + emission.delayMs;
        later(shared_from_this(), due, [target, opening, e = std::move(emission)](Core& core) {
            auto end = target.lock();
            if (!end || !end->current(opening) || !end->started)
                return;
            if (e.kind == Emission::Kind::HangUp) {
                end->hungUp = true;
                if (core.serialFailure)
                    core.serialFailure();
                return;
            }
            if (e.kind != Emission::Kind::Data)
                return;
            for (std::uint8_t byte : e.bytes) {
                // The handler may close the port in reaction to a frame.
                if (!end->current(opening) || !end->byteHandler)
                    return;
                end->byteHandler(byte, end->portNumber);
            }
        });
    }
}

void InProcessMatrix::Core::deliverTcp(std::uint64_t conn, std::vector<Emission> emissions) {
    for (Emission& emission : emissions) {
        const std::int64_t due = replyLatencyMs + emission.delayMs;
        later(shared_from_this(), due, [conn, e = std::move(emission)](Core& core) {
            if (conn != core.connection || !core.connected)
                return;
            if (e.kind == Emission::Kind::CloseConnection) {
                core.connected = false;
                ++core.connection;
                if (core.receiver)
                    core.receiver->onTcpClosed();
                return;
            }
            if (e.kind != Emission::Kind::Data)
                return;
            std::size_t from = 0;
            std::vector<std::size_t> cuts = e.splitAt;
            cuts.push_back(e.bytes.size());
            for (std::size_t cut : cuts) {
                cut = std::min(cut, e.bytes.size());
                if (cut <= from)
                    continue;
                // A receiver may reconnect or close in reaction to a piece.
                if (conn != core.connection || !core.connected || !core.receiver)
                    return;
                core.receiver->onTcpData(e.bytes.data() + from, cut - from);
                from = cut;
            }
        });
    }
}

InProcessMatrix::InProcessMatrix(MatrixDevice& device, VirtualClock& clock)
    : core_(std::make_shared<Core>(device, clock)), tcp_(new InProcessTcp(core_)) {
    // The device's reboot silence runs on the same virtual time.
    device.setClock([&clock] { return clock.nowMs(); });
}

InProcessMatrix::~InProcessMatrix() = default;

std::unique_ptr<InProcessSerial> InProcessMatrix::createSerial() {
    return std::unique_ptr<InProcessSerial>(new InProcessSerial(core_));
}

void InProcessMatrix::setComPortNumber(int n) {
    core_->comPortNumber = n;
}
void InProcessMatrix::setTcpAddress(std::string ip) {
    core_->tcpAddress = std::move(ip);
}
void InProcessMatrix::setConnectDelayMs(int ms) {
    core_->connectDelayMs = std::max(ms, 0);
}
void InProcessMatrix::setReplyLatencyMs(int ms) {
    core_->replyLatencyMs = std::max(ms, 0);
}
void InProcessMatrix::setSerialFailureHandler(std::function<void()> handler) {
    core_->serialFailure = std::move(handler);
}
MatrixDevice& InProcessMatrix::device() {
    return core_->device;
}

void InProcessMatrix::sendStandbyReport(LinkKind link) {
    Core& core = *core_;
    if (link == LinkKind::Tcp) {
        if (core.connected)
            core.deliverTcp(core.connection, core.device.standbyReport());
        return;
    }
    if (auto holder = core.serialHolder.lock())
        core.deliverSerial(holder, holder->opening, core.device.standbyReport());
}

// --- InProcessSerial ---

InProcessSerial::InProcessSerial(std::weak_ptr<InProcessMatrix::Core> core)
    : core_(std::move(core)), end_(std::make_shared<End>()) {}

InProcessSerial::~InProcessSerial() {
    signalClose();
}

bool InProcessSerial::openPort(int portNumber, const SerialSettings& settings) {
    auto core = core_.lock();
    if (!core)
        return false;
    // Opening again first closes this object's own earlier opening, as a real port object does.
    signalClose();
    if (portNumber != core->comPortNumber)
        return false;
    if (auto holder = core->serialHolder.lock(); holder && holder != end_)
        return false;
    core->serialHolder = end_;
    core->device.resetLink(LinkKind::Serial);
    end_->open = true;
    end_->started = false;
    end_->hungUp = false;
    end_->portNumber = portNumber;
    end_->settings = settings;
    end_->opening = ++core->nextOpening;
    return true;
}

bool InProcessSerial::startWorker() {
    if (!end_->open)
        return false;
    end_->started = true;
    return true;
}

void InProcessSerial::writeBytes(const std::uint8_t* data, std::size_t size) {
    auto core = core_.lock();
    if (!core || !end_->open || end_->hungUp)
        return;
    core->deliverSerial(end_, end_->opening, core->device.receive(LinkKind::Serial, data, size));
}

void InProcessSerial::signalClose() {
    if (!end_->open)
        return;
    end_->open = false;
    end_->started = false;
    if (auto core = core_.lock()) {
        if (core->serialHolder.lock() == end_)
            core->serialHolder.reset();
    }
}

bool InProcessSerial::isOpen() const {
    return end_->open;
}

void InProcessSerial::setByteHandler(std::function<void(std::uint8_t, int)> handler) {
    end_->byteHandler = std::move(handler);
}

const SerialSettings& InProcessSerial::settings() const {
    return end_->settings;
}

// --- InProcessTcp ---

void InProcessTcp::connectMatrix(TcpReceiver& receiver, const std::string& ip) {
    auto core = core_.lock();
    if (!core)
        return;
    core->receiver = &receiver;
    core->connected = false;
    const std::uint64_t conn = ++core->connection;
    ++core->connectCount;
    const bool accepted = ip == core->tcpAddress;
    later(core, core->connectDelayMs, [conn, accepted](InProcessMatrix::Core& c) {
        if (conn != c.connection || !c.receiver)
            return;
        if (accepted) {
            c.connected = true;
            c.device.resetLink(LinkKind::Tcp);
        }
        c.receiver->onTcpConnected(accepted ? 0 : ConnectRefused);
    });
}

void InProcessTcp::send(const std::uint8_t* data, std::size_t size) {
    auto core = core_.lock();
    if (!core || !core->connected)
        return;
    core->deliverTcp(core->connection, core->device.receive(LinkKind::Tcp, data, size));
}

void InProcessTcp::close() {
    auto core = core_.lock();
    if (!core)
        return;
    core->connected = false;
    ++core->connection;
}

void InProcessTcp::forget(TcpReceiver& receiver) {
    auto core = core_.lock();
    if (core && core->receiver == &receiver)
        core->receiver = nullptr;
}

bool InProcessTcp::connected() const {
    auto core = core_.lock();
    return core && core->connected;
}

int InProcessTcp::connectCount() const {
    auto core = core_.lock();
    return core ? core->connectCount : 0;
}

} // namespace quorvane::sim
