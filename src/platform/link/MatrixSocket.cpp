#include "platform/link/MatrixSocket.h"

#include "core/app/LinkState.h"
#include "core/link/Ipv4.h"
#include "core/link/TcpFrameAssembler.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>

#include <array>

namespace quorvane {

MatrixSocket::MatrixSocket(QObject* parent) : QObject(parent) {}

MatrixSocket::~MatrixSocket() {
    // The socket is dropped here, not by ~QObject: aborting it emits signals, and by the time
    // ~QObject deletes the children this object's handlers are gone.
    ++generation_;
    dropSocket();
}

int MatrixSocket::errorCode(QAbstractSocket::SocketError error) {
    if (error == QAbstractSocket::UnknownSocketError)
        return UnknownError;
    return static_cast<int>(error) + 1;
}

void MatrixSocket::connectMatrix(TcpReceiver& receiver, const std::string& ip) {
    ++generation_;
    dropSocket();
    receiver_ = &receiver;
    phase_ = Phase::Connecting;

    const auto address = parseIpv4(ip);
    if (!address || !isUnicastIpv4(*address)) {
        phase_ = Phase::Ended;
        post([](TcpReceiver& r) { r.onTcpConnected(InvalidAddressError); });
        return;
    }

    socket_ = new QTcpSocket(this);
    // The matrix sits on the local network: no proxy, so nothing else ever sees or resolves the
    // address.
    socket_->setProxy(QNetworkProxy::NoProxy);
    connect(socket_, &QTcpSocket::connected, this, &MatrixSocket::onConnected);
    connect(socket_, &QTcpSocket::errorOccurred, this, &MatrixSocket::onError);
    connect(socket_, &QTcpSocket::stateChanged, this, &MatrixSocket::onStateChanged);
    connect(socket_, &QTcpSocket::readyRead, this, &MatrixSocket::readAvailable);

    // Qt may finish (or fail) a connect inside connectToHost; such results are deferred so that
    // the caller sees completion only after connectMatrix has returned.
    starting_ = true;
    socket_->connectToHost(QHostAddress(*address), MatrixTcpPort);
    starting_ = false;
}

void MatrixSocket::send(const std::uint8_t* data, std::size_t size) {
    if (!socket_ || phase_ != Phase::Connected ||
        socket_->state() != QAbstractSocket::ConnectedState || size == 0)
        return;
    socket_->write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
}

void MatrixSocket::close() {
    ++generation_;
    dropSocket();
    phase_ = Phase::Idle;
}

void MatrixSocket::forget(TcpReceiver& receiver) {
    if (receiver_ == &receiver)
        receiver_ = nullptr;
}

void MatrixSocket::dropSocket() {
    if (!socket_)
        return;
    QTcpSocket* old = socket_;
    socket_ = nullptr;
    // Disconnect first: abort() emits stateChanged, which must not reach anyone. deleteLater,
    // because this may run inside one of the old socket's own signals.
    old->disconnect(this);
    old->abort();
    old->deleteLater();
}

void MatrixSocket::onConnected() {
    if (phase_ != Phase::Connecting)
        return;
    phase_ = Phase::Connected;
    // Frames are small and answered one by one: send each at once rather than hold it back.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    reportConnectResult(0);
}

void MatrixSocket::onError(QAbstractSocket::SocketError error) {
    // Errors of an established connection end in UnconnectedState, reported as a close there.
    if (phase_ != Phase::Connecting)
        return;
    phase_ = Phase::Ended;
    reportConnectResult(errorCode(error));
}

void MatrixSocket::onStateChanged(QAbstractSocket::SocketState state) {
    if (state != QAbstractSocket::UnconnectedState)
        return;
    if (phase_ == Phase::Connecting) {
        phase_ = Phase::Ended;
        reportConnectResult(errorCode(socket_->error()));
    } else if (phase_ == Phase::Connected) {
        // Hand over whatever the matrix sent before it closed, then the close itself.
        const auto generation = generation_;
        readAvailable();
        if (generation != generation_)
            return;
        phase_ = Phase::Ended;
        notify([](TcpReceiver& r) { r.onTcpClosed(); });
    }
}

void MatrixSocket::reportConnectResult(int error) {
    notify([error](TcpReceiver& r) { r.onTcpConnected(error); });
}

void MatrixSocket::readAvailable() {
    QTcpSocket* socket = socket_;
    const auto generation = generation_;
    std::array<std::uint8_t, TcpFrameAssembler::ReadSize> buffer{};
    // A receiver may reconnect or close from within onTcpData; then the rest of the old
    // connection's data must not reach anyone.
    while (generation == generation_ && socket && socket->bytesAvailable() > 0) {
        const qint64 count = socket->read(reinterpret_cast<char*>(buffer.data()),
                                          static_cast<qint64>(buffer.size()));
        if (count <= 0)
            break;
        if (receiver_)
            receiver_->onTcpData(buffer.data(), static_cast<std::size_t>(count));
    }
}

void MatrixSocket::notify(std::function<void(TcpReceiver&)> call) {
    if (starting_) {
        post(std::move(call));
        return;
    }
    if (receiver_)
        call(*receiver_);
}

void MatrixSocket::post(std::function<void(TcpReceiver&)> call) {
    QMetaObject::invokeMethod(
        this,
        [this, generation = generation_, call = std::move(call)] {
            if (generation == generation_ && receiver_)
                call(*receiver_);
        },
        Qt::QueuedConnection);
}

} // namespace quorvane
