#pragma once
// The simulated matrix's UDP side (--udp): discovery on port 30600 and network configuration on
// port 30601, both bound to 0.0.0.0. Each answer goes back to the sender's address and port, or,
// with broadcast replies (only ever asked for inside a test's own network namespace), to
// 255.255.255.255 on the request's port as a real matrix answers; after a delay when one is set
// (a slow matrix, so that tests can put other datagrams before its answer).

#include "sim/device/NetworkResponder.h"

#include <QObject>
#include <QUdpSocket>

#include <functional>

namespace quorvane::sim {

class UdpEndpoint : public QObject {
    Q_OBJECT
public:
    using Trace = std::function<void(const QString& line)>;

    struct Replies {
        bool broadcast = false;
        int delayMs = 0;
    };

    UdpEndpoint(NetworkIdentity identity, Replies replies, Trace trace, QObject* parent = nullptr);

    bool listen(QString& error);
    const NetworkIdentity& identity() const { return responder_.identity(); }

private:
    void readPending(QUdpSocket& socket, std::uint16_t port);

    NetworkResponder responder_;
    Replies replies_;
    Trace trace_;
    QUdpSocket discovery_;
    QUdpSocket configuration_;
};

} // namespace quorvane::sim
