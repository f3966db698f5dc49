#include "sim/app/UdpEndpoint.h"

#include "core/link/Ipv4.h"

#include <QNetworkDatagram>
#include <QTimer>

namespace quorvane::sim {

UdpEndpoint::UdpEndpoint(NetworkIdentity identity, Replies replies, Trace trace, QObject* parent)
    : QObject(parent), responder_(identity), replies_(replies), trace_(std::move(trace)) {
    connect(&discovery_, &QUdpSocket::readyRead, this,
            [this] { readPending(discovery_, net::DiscoveryPort); });
    connect(&configuration_, &QUdpSocket::readyRead, this,
            [this] { readPending(configuration_, net::ConfigurationPort); });
}

bool UdpEndpoint::listen(QString& error) {
    for (auto [socket, port] : {std::pair{&discovery_, net::DiscoveryPort},
                                std::pair{&configuration_, net::ConfigurationPort}}) {
        if (!socket->bind(QHostAddress::AnyIPv4, port)) {
            error =
                QStringLiteral("cannot bind UDP port %1: %2").arg(port).arg(socket->errorString());
            return false;
        }
    }
    return true;
}

void UdpEndpoint::readPending(QUdpSocket& socket, std::uint16_t port) {
    while (socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket.receiveDatagram();
        const QByteArray bytes = datagram.data();
        const auto before = responder_.identity();
        const auto replies =
            responder_.receive(port, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                               static_cast<std::size_t>(bytes.size()));
        if (trace_) {
            trace_(QStringLiteral("RX UDP %1 from %2: %3 bytes")
                       .arg(port)
                       .arg(datagram.senderAddress().toString())
                       .arg(bytes.size()));
        }
        const QHostAddress to =
            replies_.broadcast ? QHostAddress(QHostAddress::Broadcast) : datagram.senderAddress();
        const auto toPort = replies_.broadcast ? port : static_cast<quint16>(datagram.senderPort());
        for (const auto& reply : replies) {
            const auto send = [this, &socket, port, to, toPort, reply] {
                socket.writeDatagram(reinterpret_cast<const char*>(reply.data()),
                                     static_cast<qint64>(reply.size()), to, toPort);
                if (trace_)
                    trace_(QStringLiteral("TX UDP %1 to %2: %3 bytes")
                               .arg(port)
                               .arg(to.toString())
                               .arg(reply.size()));
            };
            if (replies_.delayMs > 0)
                QTimer::singleShot(replies_.delayMs, this, send);
            else
                send();
        }
        const auto& after = responder_.identity();
        if (trace_ && (after.ip != before.ip || after.mac != before.mac)) {
            trace_(QStringLiteral("UDP configured: ip=%1 mac=%2 mode=%3")
                       .arg(QString::fromStdString(formatIpv4(after.ip)),
                            QString::fromStdString(net::macText(after.mac)),
                            after.autoIp ? QStringLiteral("auto") : QStringLiteral("static")));
        }
    }
}

} // namespace quorvane::sim
