#include "platform/link/QtUdpLink.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

#include <algorithm>

namespace quorvane {

QtUdpLink::QtUdpLink(QObject* parent) : QObject(parent) {}

QtUdpLink::~QtUdpLink() {
    close();
}

bool QtUdpLink::bind(std::uint16_t port, Receiver receiver) {
    close();
    auto* socket = new QUdpSocket(this);
    if (!socket->bind(QHostAddress::AnyIPv4, port)) {
        delete socket;
        return false;
    }
    socket_ = socket;
    receiver_ = std::move(receiver);
    connect(socket, &QUdpSocket::readyRead, this, [this, socket] {
        if (socket == socket_)
            readPending();
    });
    return true;
}

bool QtUdpLink::sendBroadcast(std::uint16_t port, const std::uint8_t* data, std::size_t size) {
    if (!socket_)
        return false;
    const qint64 written =
        socket_->writeDatagram(reinterpret_cast<const char*>(data), static_cast<qint64>(size),
                               QHostAddress(QHostAddress::Broadcast), port);
    return written == static_cast<qint64>(size);
}

void QtUdpLink::close() {
    if (!socket_)
        return;
    QUdpSocket* socket = socket_;
    socket_ = nullptr;
    receiver_ = {};
    socket->close();
    // It may be closing from inside its own readyRead.
    socket->deleteLater();
}

void QtUdpLink::readPending() {
    // The receiver may close or re-bind the socket; stop reading the old one then.
    QPointer<QUdpSocket> socket = socket_;
    while (socket && socket == socket_ && socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        const QByteArray bytes = datagram.data();
        bool isIpv4 = false;
        const quint32 address = datagram.senderAddress().toIPv4Address(&isIpv4);
        const UdpPeer from{isIpv4 ? address : 0u,
                           static_cast<std::uint16_t>(std::max(datagram.senderPort(), 0))};
        if (receiver_) {
            const Receiver receiver = receiver_;
            receiver(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                     static_cast<std::size_t>(bytes.size()), from);
        }
    }
}

} // namespace quorvane
