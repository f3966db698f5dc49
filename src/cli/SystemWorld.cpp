#include "cli/SystemWorld.h"

#include "serialports/PortDiagnosis.h"

#include <QEventLoop>
#include <QTimer>

#include <cstring>

namespace quorvane::cli {

SystemWorld::SystemWorld() {
    serial_.setKeepOpenAcrossReopen(true);
}

SystemWorld::~SystemWorld() = default;

std::unique_ptr<Timers> SystemWorld::createTimers() {
    return std::make_unique<QtTimers>();
}

void SystemWorld::setSerialByteHandler(ByteHandler handler) {
    serial_.setByteHandler(std::move(handler));
}

void SystemWorld::setSerialFailureHandler(std::function<void()> handler) {
    serial_.setFailureHandler(std::move(handler));
}

std::string SystemWorld::openFailure(int n, int cause) {
    const std::string refusal = serial_.openRefusal();
    if (!refusal.empty())
        return refusal;
    const ports::PortReport report = ports::diagnosePort(n);
    if (report.verdict != ports::PortVerdict::Usable)
        return report.reason;
    return report.name + " (" + report.device + ") could not be opened" +
           (cause != 0 ? std::string(": ") + std::strerror(cause) : std::string());
}

UdpLink& SystemWorld::udp() {
    if (!udp_)
        udp_ = std::make_unique<QtUdpLink>();
    return *udp_;
}

bool SystemWorld::run(int limitMs) {
    QEventLoop loop;
    bool limitReached = false;
    QTimer limit;
    if (limitMs > 0) {
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
            limitReached = true;
            loop.quit();
        });
        limit.start(limitMs);
    }
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    return limitReached;
}

void SystemWorld::stop() {
    if (loop_)
        loop_->quit();
}

} // namespace quorvane::cli
