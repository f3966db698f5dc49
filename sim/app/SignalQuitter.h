#pragma once
// Ends the Qt event loop cleanly on SIGINT, SIGTERM and SIGHUP: the signal handler only writes a
// byte into a pipe, whose read end a socket notifier watches on the event loop's thread.

#include <QObject>

class QSocketNotifier;

namespace quorvane::sim {

class SignalQuitter : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; at most one instance per process. False when the pipe cannot be had.
    bool install();
    ~SignalQuitter() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace quorvane::sim
