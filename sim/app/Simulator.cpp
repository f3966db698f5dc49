#include "sim/app/Simulator.h"

#include "core/app/LinkState.h"
#include "core/link/Ipv4.h"

#include <QHostAddress>

namespace quorvane::sim {

namespace {

// A partial frame older than this on the serial line is forgotten: its sender gave up (a program
// that was killed half-way through a write), and the next frame must not be glued to it.
constexpr qint64 SerialQuietGapMs = 100;

const std::uint8_t* bytesOf(const QByteArray& bytes) {
    return reinterpret_cast<const std::uint8_t*>(bytes.constData());
}

} // namespace

Simulator::Simulator(SimOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {
    device_.faults() = options_.faults;
    if (options_.inputsAttached)
        device_.state().inputAttached = *options_.inputsAttached;
    if (options_.outputsAttached)
        device_.state().outputAttached = *options_.outputsAttached;
    if (options_.deviceType != 0)
        device_.state().deviceType = static_cast<std::uint8_t>(options_.deviceType);
    device_.state().rebootMs = options_.rebootMs;
    uptime_.start();
    device_.setClock([this] { return uptime_.elapsed(); });
    device_.setReceiveObserver([this](LinkKind link, const std::uint8_t* data, std::size_t size) {
        trace_.received(link, data, size);
    });
    connect(&standbyTimer_, &QTimer::timeout, this, &Simulator::sendStandby);
}

Simulator::~Simulator() {
    // The COM link goes before the pseudo-terminal it leads to.
    registration_.reset();
    pty_.reset();
}

bool Simulator::start(QString& error) {
    if (!trace_.open(options_.logFile.toStdString())) {
        error = QStringLiteral("cannot open the log file %1").arg(options_.logFile);
        return false;
    }
    if (options_.comNumber > 0) {
        pty_ = std::make_unique<PtyEndpoint>(options_.pace);
        if (!pty_->open(error))
            return false;
        connect(pty_.get(), &PtyEndpoint::exclusivityDecided, this,
                [this](const QString& line) { trace_.note(line.toStdString()); });
        std::string reason;
        registration_ = ports::PortRegistration::create(options_.comNumber,
                                                        pty_->devicePath().toStdString(), reason);
        if (!registration_) {
            error = QString::fromStdString(reason);
            return false;
        }
        if (options_.pace) {
            // Paced both ways: what the program writes reaches the matrix at the line rate too.
            inboundPacer_ = std::make_unique<LinePacer>();
            connect(pty_.get(), &PtyEndpoint::received, inboundPacer_.get(), &LinePacer::push);
            connect(inboundPacer_.get(), &LinePacer::released, this, &Simulator::serialReceived);
        } else {
            connect(pty_.get(), &PtyEndpoint::received, this, &Simulator::serialReceived);
        }
    }
    if (!options_.tcpAddress.isEmpty()) {
        tcp_ = std::make_unique<TcpEndpoint>();
        if (!tcp_->listen(QHostAddress(options_.tcpAddress), MatrixTcpPort, error)) {
            error = QStringLiteral("cannot serve %1:%2: %3")
                        .arg(options_.tcpAddress)
                        .arg(MatrixTcpPort)
                        .arg(error);
            return false;
        }
        connect(tcp_.get(), &TcpEndpoint::clientConnected, this,
                [this] { device_.resetLink(LinkKind::Tcp); });
        connect(tcp_.get(), &TcpEndpoint::received, this, &Simulator::tcpReceived);
    }
    if (options_.udp) {
        NetworkIdentity identity;
        identity.mac = options_.mac;
        identity.ip = options_.ip;
        udp_ = std::make_unique<UdpEndpoint>(
            identity, UdpEndpoint::Replies{options_.udpBroadcastReplies, options_.udpReplyDelayMs},
            [this](const QString& line) { trace_.note(line.toStdString()); });
        if (!udp_->listen(error))
            return false;
    }
    if (options_.standbyEveryMs > 0)
        standbyTimer_.start(options_.standbyEveryMs);
    return true;
}

QString Simulator::readinessLine() const {
    QString line = QStringLiteral("quorvane-sim ready");
    if (registration_) {
        line += QStringLiteral(" com=COM%1 device=%2")
                    .arg(registration_->number())
                    .arg(pty_->devicePath());
    }
    if (tcp_)
        line += QStringLiteral(" tcp=%1:%2").arg(options_.tcpAddress).arg(MatrixTcpPort);
    if (udp_) {
        line += QStringLiteral(" udp=%1 mac=%2")
                    .arg(QString::fromStdString(formatIpv4(udp_->identity().ip)),
                         QString::fromStdString(net::macText(udp_->identity().mac)));
    }
    return line;
}

void Simulator::serialReceived(const QByteArray& bytes) {
    if (lastSerialByte_.isValid() && lastSerialByte_.elapsed() > SerialQuietGapMs)
        device_.forgetPartialFrame(LinkKind::Serial);
    lastSerialByte_.start();
    dispatch(LinkKind::Serial, device_.receive(LinkKind::Serial, bytesOf(bytes),
                                               static_cast<std::size_t>(bytes.size())));
}

void Simulator::tcpReceived(const QByteArray& bytes) {
    dispatch(LinkKind::Tcp, device_.receive(LinkKind::Tcp, bytesOf(bytes),
                                            static_cast<std::size_t>(bytes.size())));
}

void Simulator::dispatch(LinkKind link, std::vector<Emission> emissions) {
    for (Emission& emission : emissions) {
        if (emission.delayMs > 0) {
            QTimer::singleShot(emission.delayMs, this,
                               [this, link, e = std::move(emission)] { perform(link, e); });
        } else {
            perform(link, emission);
        }
    }
}

void Simulator::perform(LinkKind link, const Emission& emission) {
    switch (emission.kind) {
    case Emission::Kind::Data: {
        const QByteArray bytes(reinterpret_cast<const char*>(emission.bytes.data()),
                               static_cast<qsizetype>(emission.bytes.size()));
        if (link == LinkKind::Serial && pty_ && pty_->isOpen()) {
            trace_.sent(link, emission.bytes.data(), emission.bytes.size());
            pty_->write(bytes);
        } else if (link == LinkKind::Tcp && tcp_ && tcp_->hasClient()) {
            trace_.sent(link, emission.bytes.data(), emission.bytes.size());
            tcp_->write(bytes, emission.splitAt);
        }
        break;
    }
    case Emission::Kind::CloseConnection:
        if (link == LinkKind::Tcp && tcp_)
            tcp_->closeClient();
        break;
    case Emission::Kind::HangUp:
        if (link == LinkKind::Serial)
            hangUpSerial();
        break;
    }
}

void Simulator::hangUpSerial() {
    // As an unplugged adapter: the line dies and its name goes away.
    registration_.reset();
    if (pty_)
        pty_->hangUp();
}

void Simulator::sendStandby() {
    for (LinkKind link : {LinkKind::Serial, LinkKind::Tcp}) {
        for (const Emission& emission : device_.standbyReport())
            perform(link, emission);
    }
}

} // namespace quorvane::sim
