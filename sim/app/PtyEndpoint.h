#pragma once
// The simulated matrix's serial line: a pseudo-terminal whose slave side the program opens as a
// COM port. The master side is ours. We keep a slave descriptor open ourselves, so a program that
// closes the port does not hang the line up (reads on the master would fail with EIO otherwise),
// and set the slave to raw mode before anyone opens it. Holding the slave does not make the port
// look taken: the port list counts a process that holds the master of the same pseudo-terminal as
// the line's far end, not as a rival user.
//
// Output is queued and written in order, never dropped; with pacing each byte is written when the
// line, at 115200 baud with 11 bits a byte (about 95.5 us a byte), would have delivered it.
// hangUp() closes both sides for good, as an unplugged adapter: the program's port sees the
// hang-up. Closing the master throws away what the slave has not read yet, so the hang-up waits
// (bounded) until the output written before it has been read.

#include "sim/app/DeadlineTimer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace quorvane::sim {

class PtyEndpoint : public QObject {
    Q_OBJECT
public:
    explicit PtyEndpoint(bool paced, QObject* parent = nullptr);
    ~PtyEndpoint() override;

    // Creates the pseudo-terminal; false with a reason in `error`.
    bool open(QString& error);
    // False from the hang-up on.
    bool isOpen() const { return master_ >= 0 && !hangUpTimer_.isActive(); }
    // The slave's device path, e.g. /dev/pts/7.
    const QString& devicePath() const { return devicePath_; }

    void write(const QByteArray& bytes);
    void hangUp();

signals:
    void received(const QByteArray& bytes);
    // What the look at a program's exclusive flag decided, when it decides otherwise than the
    // last time: "kept" while a program holds the port, "cleared" once it has gone.
    void exclusivityDecided(const QString& line);

private:
    void readMaster();
    void pump();
    void closeAll();
    void finishHangUp();
    void releaseStaleExclusivity();
    void decideExclusivity(const QString& line);

    bool paced_;
    int master_ = -1;
    int slave_ = -1;
    QString devicePath_;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QByteArray queue_;
    DeadlineTimer paceTimer_;
    QTimer hangUpTimer_;
    QTimer exclusivityTimer_;
    QElapsedTimer hangUpClock_;
    QElapsedTimer lastWrite_;
    // When the byte at the head of the queue has fully left the line, on DeadlineTimer's clock.
    qint64 headDoneNs_ = 0;
    // The last decision reported through exclusivityDecided.
    QString lastExclusivity_;
};

} // namespace quorvane::sim
