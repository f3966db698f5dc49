#include "cli/Session.h"

#include "cli/ExitStatus.h"
#include "cli/OutcomeStatus.h"

#include "serialports/PortDiagnosis.h"
#include "serialports/PortNames.h"

#include <QAbstractSocket>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quorvane::cli {

namespace {

// A connect that neither completes nor fails by then is given up.
constexpr int ConnectLimitMs = 5000;

// Timers whose periods are divided by the session's time divisor.
class DividedTimers : public QtTimers {
public:
    explicit DividedTimers(int divisor) : divisor_(divisor) {}
    void start(int id, int periodMs) override {
        QtTimers::start(id, std::max(1, periodMs / divisor_));
    }

private:
    int divisor_;
};

std::string tcpErrorText(int error, const std::string& address) {
    const std::string where = address + ":" + std::to_string(MatrixTcpPort);
    if (error == MatrixSocket::InvalidAddressError)
        return where + " is not an address a connection can be made to";
    switch (static_cast<QAbstractSocket::SocketError>(error - 1)) {
    case QAbstractSocket::ConnectionRefusedError:
        return "connection refused by " + where +
               " (nothing listens there: is it the matrix's address, and is the matrix on?)";
    case QAbstractSocket::SocketTimeoutError:
        return "no answer from " + where;
    case QAbstractSocket::NetworkError:
        return "the network does not reach " + where;
    case QAbstractSocket::SocketAccessError:
        return "this program may not connect to " + where;
    case QAbstractSocket::RemoteHostClosedError:
        return where + " closed the connection at once";
    default:
        return "the connection to " + where + " failed (socket error " + std::to_string(error - 1) +
               ")";
    }
}

} // namespace

void printError(const std::string& text) {
    std::fprintf(stderr, "quorvane-cli: %s\n", text.c_str());
    std::fflush(stderr);
}

Session::Session(const Invocation& invocation)
    : invocation_(invocation), dialogs_(state_, *this), watch_(socket_) {
    if (const char* divisor = std::getenv("QUORVANE_TIME_DIVISOR")) {
        const int value = std::atoi(divisor);
        if (value > 1)
            divisor_ = value;
    }
    serial_.setFailureHandler([this] { serialFailure(); });
    watch_.setListener([this] { onTcpChange(); });
}

Session::~Session() {
    serial_.setByteHandler({});
    serial_.signalClose();
    watch_.close();
}

Timers& Session::newTimers() {
    timers_.push_back(std::make_unique<DividedTimers>(divisor_));
    return *timers_.back();
}

int Session::scaled(int ms) const {
    return std::max(1, ms / divisor_);
}

int Session::prepareLink() {
    const LinkChoice& link = invocation_.link;
    if (link.kind == LinkChoice::Kind::Tcp) {
        state_.controlMode = ControlMode::Tcp;
        state_.matrixIp = link.address;
        return ExitDone;
    }
    state_.controlMode = ControlMode::Com;
    return openComPort();
}

int Session::openComPort() {
    const int n = invocation_.link.port;
    SerialSettings settings = state_.pageSerialSettings;
    settings.stopBits = 2;
    errno = 0;
    if (serial_.openPort(n, settings)) {
        state_.pageSerialSettings = settings;
        state_.comPortNumber = n;
        state_.comLinkOpen = true;
        return ExitDone;
    }
    const int cause = errno;
    const std::string refusal = serial_.openRefusal();
    if (!refusal.empty()) {
        fail(ExitLink, refusal);
        return ExitLink;
    }
    const ports::PortReport report = ports::diagnosePort(n);
    if (report.verdict != ports::PortVerdict::Usable) {
        fail(ExitLink, report.reason);
        return ExitLink;
    }
    fail(ExitLink, report.name + " (" + report.device + ") could not be opened" +
                       (cause != 0 ? std::string(": ") + std::strerror(cause) : std::string()));
    return ExitLink;
}

int Session::attach(PageHandle& page, PageLink& link) {
    serial_.setByteHandler(
        [&link](std::uint8_t byte, int portNumber) { link.onSerialByte(byte, portNumber); });
    if (!state_.tcpMode())
        return failure() != 0 ? failure() : ExitDone;
    page.reconnect();
    const int status = waitUntil(
        [this] { return watch_.connectResult() != ConnectWatch::Pending; }, ConnectLimitMs,
        [this] {
            fail(ExitLink, "no answer from " + state_.matrixIp + ":" +
                               std::to_string(MatrixTcpPort) + " within 5 s");
            return ExitLink;
        });
    if (status != ExitDone)
        return status;
    if (watch_.connectResult() != 0) {
        fail(ExitLink, tcpErrorText(watch_.connectResult(), state_.matrixIp));
        return ExitLink;
    }
    connected_ = true;
    state_.tcpLinkReady = true;
    return ExitDone;
}

void Session::onTcpChange() {
    // A connection that was up and has closed: the matrix (or the network) ended it.
    if (connected_ && watch_.closed()) {
        connected_ = false;
        fail(ExitMatrix, "the matrix closed the TCP connection");
        return;
    }
    poke();
}

int Session::waitUntil(std::function<bool()> done, int limitMs, std::function<int()> onLimit) {
    if (failure_)
        return failure_->status;
    if (done())
        return ExitDone;
    QEventLoop loop;
    bool limitReached = false;
    QTimer limit;
    if (limitMs > 0) {
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
            limitReached = true;
            loop.quit();
        });
        limit.start(scaled(limitMs));
    }
    done_ = std::move(done);
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    const bool finished = done_ && done_();
    done_ = nullptr;
    if (failure_)
        return failure_->status;
    if (finished)
        return ExitDone;
    if (limitReached && onLimit)
        return onLimit();
    fail(ExitMatrix, "the matrix did not answer");
    return ExitMatrix;
}

void Session::poke() {
    if (loop_ && (failure_ || (done_ && done_())))
        loop_->quit();
}

void Session::fail(int status, const std::string& why) {
    if (!failure_)
        failure_ = Failure{status, why};
    if (loop_)
        loop_->quit();
}

void Session::report() const {
    if (failure_)
        printError(failure_->why);
}

void Session::serialFailure() {
    fail(ExitMatrix, "the serial line to the matrix failed (hung up or unplugged)");
}

void Session::showMessage(const std::string& text) {
    // Only kept: what the message means comes with the page's outcome.
    messages_.push_back(text);
}

void Session::onOutcome(const Outcome& outcome) {
    outcomes_.push_back(outcome);
    if (outcome.done()) {
        // A success: its message is worth seeing, the result follows on standard output.
        const std::string shown = outcome.wording();
        if (!shown.empty()) {
            std::fprintf(stderr, "%s\n", shown.c_str());
            std::fflush(stderr);
        }
        poke();
        return;
    }
    fail(exitStatusFor(outcome.kind), failureLine(outcome, invocation_.link.kind));
}

void Session::showNotice(const std::string& text) {
    messages_.push_back(text);
    fail(ExitLink, "the serial port is not open (\"" + text + "\")");
}

} // namespace quorvane::cli
