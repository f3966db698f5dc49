#pragma once
// The far end of a paced serial line: bytes written into the pseudo-terminal arrive at once, but
// on a real line each takes its line time (115200 baud, 11 bits a byte). The pacer hands received
// bytes on in order, each no earlier than the line could have delivered it.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace quorvane::sim {

class LinePacer : public QObject {
    Q_OBJECT
public:
    explicit LinePacer(QObject* parent = nullptr);

    void push(const QByteArray& bytes);

signals:
    void released(const QByteArray& bytes);

private:
    void pump();

    QByteArray queue_;
    QTimer timer_;
    QElapsedTimer clock_;
    // When the byte at the head of the queue has fully arrived, in ns of clock_.
    qint64 headDoneNs_ = 0;
};

} // namespace quorvane::sim
