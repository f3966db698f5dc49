#include "sim/app/TcpEndpoint.h"

#include <QTimer>

namespace quorvane::sim {

TcpEndpoint::TcpEndpoint(QObject* parent) : QObject(parent) {
    connect(&server_, &QTcpServer::newConnection, this, &TcpEndpoint::acceptClient);
}

TcpEndpoint::~TcpEndpoint() {
    // The client sockets are children of the server, which is destroyed after our other members;
    // a socket closing then must not reach our handlers.
    for (QTcpSocket* socket : server_.findChildren<QTcpSocket*>())
        socket->disconnect(this);
}

bool TcpEndpoint::listen(const QHostAddress& address, quint16 port, QString& error) {
    if (server_.listen(address, port))
        return true;
    error = server_.errorString();
    return false;
}

void TcpEndpoint::acceptClient() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (client_) {
            client_->disconnect(this);
            client_->abort();
            client_->deleteLater();
        }
        queue_.clear();
        client_ = socket;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            if (socket == client_)
                emit received(socket->readAll());
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (socket == client_) {
                client_ = nullptr;
                queue_.clear();
            }
            socket->deleteLater();
        });
        emit clientConnected();
    }
}

void TcpEndpoint::write(const QByteArray& bytes, const std::vector<std::size_t>& splitAt) {
    if (!client_ || bytes.isEmpty())
        return;
    qsizetype from = 0;
    for (std::size_t cut : splitAt) {
        const auto at = static_cast<qsizetype>(cut);
        if (at <= from || at >= bytes.size())
            continue;
        queue_.enqueue(Item{bytes.mid(from, at - from), from > 0});
        from = at;
    }
    queue_.enqueue(Item{bytes.mid(from), from > 0});
    pump();
}

void TcpEndpoint::closeClient() {
    if (!client_)
        return;
    queue_.enqueue(Item{});
    pump();
}

void TcpEndpoint::pump() {
    while (!pausing_ && !queue_.isEmpty() && client_) {
        if (queue_.head().pauseBefore) {
            queue_.head().pauseBefore = false;
            pausing_ = true;
            QTimer::singleShot(PieceGapMs, this, [this] {
                pausing_ = false;
                pump();
            });
            return;
        }
        const Item item = queue_.dequeue();
        if (item.bytes.isEmpty()) {
            // Whatever was written before goes out first; then the connection ends.
            QTcpSocket* socket = client_;
            client_ = nullptr;
            queue_.clear();
            socket->disconnectFromHost();
            return;
        }
        client_->write(item.bytes);
        client_->flush();
    }
}

} // namespace quorvane::sim
