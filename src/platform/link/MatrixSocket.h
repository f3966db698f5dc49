#pragma once
// The program's one TCP connection to the matrix (matrixSocket), on QTcpSocket.
//
// Thread: create, call and destroy on the UI thread; every notification is delivered there too.
// Ownership: owns the QTcpSocket; does not own the receivers. A receiver that goes away calls
// forget() first (PageLink does so in its destructor).
// Errors: a connect that fails, or an address text that is not dotted IPv4, is reported as
// onTcpConnected(error != 0), always later from the event loop, never from within connectMatrix.
// Sends on a socket that is not connected are dropped silently.

#include "core/link/Transports.h"

#include <QAbstractSocket>
#include <QObject>

#include <cstdint>
#include <functional>

class QTcpSocket;

namespace quorvane {

class MatrixSocket : public QObject, public TcpLink {
    Q_OBJECT
public:
    // Error codes given to onTcpConnected besides QAbstractSocket::SocketError + 1.
    static constexpr int UnknownError = 1000;
    // The address text is not a dotted IPv4 address to which a connection can be made.
    static constexpr int InvalidAddressError = 1001;

    explicit MatrixSocket(QObject* parent = nullptr);
    ~MatrixSocket() override;
    MatrixSocket(const MatrixSocket&) = delete;
    MatrixSocket& operator=(const MatrixSocket&) = delete;

    void connectMatrix(TcpReceiver& receiver, const std::string& ip) override;
    void send(const std::uint8_t* data, std::size_t size) override;
    void close() override;
    void forget(TcpReceiver& receiver) override;

    // The error code for a socket error (never 0).
    static int errorCode(QAbstractSocket::SocketError error);

private:
    enum class Phase { Idle, Connecting, Connected, Ended };

    void dropSocket();
    void onConnected();
    void onError(QAbstractSocket::SocketError error);
    void onStateChanged(QAbstractSocket::SocketState state);
    void readAvailable();
    void reportConnectResult(int error);
    // Calls the receiver now, or from the event loop while connectMatrix is still running; a
    // deferred call is dropped if the connection has been replaced or closed in the meantime.
    void notify(std::function<void(TcpReceiver&)> call);
    void post(std::function<void(TcpReceiver&)> call);

    QTcpSocket* socket_ = nullptr;
    TcpReceiver* receiver_ = nullptr;
    Phase phase_ = Phase::Idle;
    // Counts connections started or closed; tells a stale deferred call from a current one.
    std::uint64_t generation_ = 0;
    bool starting_ = false;
};

} // namespace quorvane
