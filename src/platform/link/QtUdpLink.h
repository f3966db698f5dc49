#pragma once
// The UDP seam over QUdpSocket: one socket at a time, bound to 0.0.0.0 (IPv4) with broadcast
// allowed (Qt sets SO_BROADCAST on every UDP socket), datagrams delivered on the user-interface
// thread from the socket's readyRead.

#include "core/link/UdpLink.h"

#include <QObject>
#include <QPointer>
#include <QUdpSocket>

namespace quorvane {

class QtUdpLink : public QObject, public UdpLink {
    Q_OBJECT
public:
    explicit QtUdpLink(QObject* parent = nullptr);
    ~QtUdpLink() override;

    bool bind(std::uint16_t port, Receiver receiver) override;
    bool sendBroadcast(std::uint16_t port, const std::uint8_t* data, std::size_t size) override;
    void close() override;
    bool isBound() const override { return socket_ != nullptr; }

private:
    void readPending();

    QPointer<QUdpSocket> socket_;
    Receiver receiver_;
};

} // namespace quorvane
