#pragma once
// quorvane-sim's running matrix: the MatrixDevice with its serial line (a registered
// pseudo-terminal) and its TCP server, the fault switches and the periodic standby report.

#include "sim/app/LinePacer.h"
#include "sim/app/PtyEndpoint.h"
#include "sim/app/SimOptions.h"
#include "sim/app/TcpEndpoint.h"
#include "sim/app/TrafficTrace.h"
#include "sim/app/UdpEndpoint.h"
#include "sim/device/MatrixDevice.h"

#include "serialports/PortNames.h"
#include "sim/ports/PortRegistration.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

namespace quorvane::sim {

class Simulator : public QObject {
    Q_OBJECT
public:
    explicit Simulator(SimOptions options, QObject* parent = nullptr);
    ~Simulator() override;

    // Opens the log and creates the links; false with a one-line reason in `error`.
    bool start(QString& error);
    // "quorvane-sim ready com=COM1 device=/dev/pts/7 tcp=127.0.0.1:8000" (links that exist only).
    QString readinessLine() const;
    // The matrix's state, for a test that runs the simulator in process.
    const DeviceState& deviceState() const { return device_.state(); }

private:
    void serialReceived(const QByteArray& bytes);
    void tcpReceived(const QByteArray& bytes);
    void dispatch(LinkKind link, std::vector<Emission> emissions);
    void perform(LinkKind link, const Emission& emission);
    void hangUpSerial();
    void sendStandby();

    SimOptions options_;
    MatrixDevice device_;
    TrafficTrace trace_;
    std::unique_ptr<PtyEndpoint> pty_;
    std::unique_ptr<ports::PortRegistration> registration_;
    std::unique_ptr<TcpEndpoint> tcp_;
    std::unique_ptr<UdpEndpoint> udp_;
    QElapsedTimer lastSerialByte_;
    QElapsedTimer uptime_;
    std::unique_ptr<LinePacer> inboundPacer_;
    QTimer standbyTimer_;
};

} // namespace quorvane::sim
