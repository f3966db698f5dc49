#pragma once
// The simulated matrix's TCP side: a server on port 8000 of one address, one client at a time (a
// new client replaces the old one, as when the program re-creates its socket). Output is written in
// order: whole writes, writes in pieces with a short pause between them (so the client reads them
// separately), and the close of the connection after what was queued before it.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QTcpServer>
#include <QTcpSocket>

#include <vector>

namespace quorvane::sim {

class TcpEndpoint : public QObject {
    Q_OBJECT
public:
    // Pause between the pieces of a split write.
    static constexpr int PieceGapMs = 30;

    explicit TcpEndpoint(QObject* parent = nullptr);
    ~TcpEndpoint() override;

    bool listen(const QHostAddress& address, quint16 port, QString& error);
    bool hasClient() const { return client_ != nullptr; }

    // Writes `bytes`, cut at the offsets in `splitAt` into separate writes.
    void write(const QByteArray& bytes, const std::vector<std::size_t>& splitAt = {});
    // Closes the connection once everything queued before has been written.
    void closeClient();

signals:
    void clientConnected();
    void received(const QByteArray& bytes);

private:
    struct Item {
        QByteArray bytes; // empty: close the connection
        bool pauseBefore = false;
    };
    void acceptClient();
    void pump();

    QTcpServer server_;
    QPointer<QTcpSocket> client_;
    QQueue<Item> queue_;
    bool pausing_ = false;
};

} // namespace quorvane::sim
