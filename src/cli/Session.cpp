#include "cli/Session.h"

#include "cli/ExitStatus.h"
#include "cli/OutcomeStatus.h"
#include "cli/SystemWorld.h"

#include "platform/link/MatrixSocket.h"

#include <QAbstractSocket>

#include <cerrno>
#include <cstdio>

namespace quorvane::cli {

namespace {

// A connect that neither completes nor fails by then is given up.
constexpr int ConnectLimitMs = 5000;

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

Session::Session(const Invocation& invocation, SessionWorld* world)
    : invocation_(invocation), ownWorld_(world ? nullptr : std::make_unique<SystemWorld>()),
      world_(world ? *world : *ownWorld_), dialogs_(state_, *this), watch_(world_.tcp()) {
    world_.setSerialFailureHandler([this] { serialFailure(); });
    watch_.setListener([this] { onTcpChange(); });
}

Session::~Session() {
    world_.setSerialByteHandler({});
    world_.setSerialFailureHandler({});
    world_.serial().signalClose();
    watch_.close();
}

Timers& Session::newTimers() {
    timers_.push_back(world_.createTimers());
    return *timers_.back();
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
    if (world_.serial().openPort(n, settings)) {
        state_.pageSerialSettings = settings;
        state_.comPortNumber = n;
        state_.comLinkOpen = true;
        return ExitDone;
    }
    const int cause = errno;
    fail(ExitLink, world_.openFailure(n, cause));
    return ExitLink;
}

int Session::attach(PageHandle& page, PageLink& link) {
    world_.setSerialByteHandler(
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
    done_ = std::move(done);
    waiting_ = true;
    const bool limitReached = world_.run(limitMs);
    waiting_ = false;
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
    if (waiting_ && (failure_ || (done_ && done_())))
        world_.stop();
}

void Session::fail(int status, const std::string& why) {
    if (!failure_)
        failure_ = Failure{status, why};
    if (waiting_)
        world_.stop();
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
