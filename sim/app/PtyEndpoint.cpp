#include "sim/app/PtyEndpoint.h"

#include "serialports/PortHolders.h"
#include "sim/app/LinePacer.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace quorvane::sim {

namespace {

// True when /proc/locks lists an flock on the file behind `fd` (or when that cannot be told).
bool terminalLocked(int fd) {
    struct stat st {};
    std::ifstream locks("/proc/locks");
    if (fstat(fd, &st) != 0 || !locks)
        return true;
    char id[64];
    std::snprintf(id, sizeof id, " %02x:%02x:%lu ", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long>(st.st_ino));
    std::string line;
    while (std::getline(locks, line)) {
        if (line.find(" FLOCK ") != std::string::npos && line.find(id) != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

namespace {

QString errnoText(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

PtyEndpoint::PtyEndpoint(bool paced, QObject* parent) : QObject(parent), paced_(paced) {
    connect(&paceTimer_, &DeadlineTimer::timeout, this, &PtyEndpoint::pump);
    hangUpTimer_.setInterval(5);
    connect(&hangUpTimer_, &QTimer::timeout, this, &PtyEndpoint::finishHangUp);
    exclusivityTimer_.setInterval(1000);
    connect(&exclusivityTimer_, &QTimer::timeout, this, &PtyEndpoint::releaseStaleExclusivity);
}

PtyEndpoint::~PtyEndpoint() {
    closeAll();
}

bool PtyEndpoint::open(QString& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) {
        error = errnoText("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        error = errnoText("pseudo-terminal set-up");
        closeAll();
        return false;
    }
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        error = errnoText(name);
        closeAll();
        return false;
    }
    termios tio{};
    if (tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetspeed(&tio, B115200);
        tcsetattr(slave_, TCSANOW, &tio);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    devicePath_ = QString::fromLocal8Bit(name);

    readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PtyEndpoint::readMaster);
    writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &PtyEndpoint::pump);
    exclusivityTimer_.start();
    return true;
}

void PtyEndpoint::releaseStaleExclusivity() {
    // A program that opens the port sets the terminal's exclusive flag. The terminal lives as long
    // as our master is open, so a program killed while it held the port leaves the flag behind and
    // the next unprivileged open would fail. Clear the flag once nobody holds the port any more: no
    // flock on it (this program's way of holding a port) and no other process with it open (a
    // terminal program that set the flag without a lock keeps it). The kernel's lock table is read
    // rather than trying the lock ourselves, so a program opening the port at that moment never
    // finds it taken; the costly look through other processes is made only while the flag is set.
    if (slave_ < 0)
        return;
    int flag = 0;
    if (ioctl(slave_, TIOCGEXCL, &flag) != 0 || flag == 0) {
        lastExclusivity_.clear();
        return;
    }
    if (terminalLocked(slave_)) {
        decideExclusivity(QStringLiteral("exclusive flag kept: a program holds the port's lock"));
        return;
    }
    const auto device = ports::deviceNode(devicePath_.toStdString());
    if (!device || ports::descriptorHolders({*device}).front()) {
        decideExclusivity(QStringLiteral("exclusive flag kept: a program has the port open"));
        return;
    }
    ioctl(slave_, TIOCNXCL);
    decideExclusivity(QStringLiteral("exclusive flag cleared: its program has gone"));
}

void PtyEndpoint::decideExclusivity(const QString& line) {
    if (line == lastExclusivity_)
        return;
    lastExclusivity_ = line;
    emit exclusivityDecided(line);
}

void PtyEndpoint::readMaster() {
    char buffer[1024];
    while (master_ >= 0) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            emit received(QByteArray(buffer, static_cast<qsizetype>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EAGAIN: drained. EIO cannot happen while our slave descriptor is open.
        return;
    }
}

void PtyEndpoint::write(const QByteArray& bytes) {
    if (!isOpen() || bytes.isEmpty())
        return;
    if (queue_.isEmpty() && paced_) {
        // The line was idle: the first byte starts now and is delivered after its line time.
        headDoneNs_ = DeadlineTimer::now() + LineNanosecondsPerByte;
    }
    queue_.append(bytes);
    pump();
}

void PtyEndpoint::pump() {
    if (master_ < 0)
        return;
    while (!queue_.isEmpty()) {
        qsizetype allowed = queue_.size();
        if (paced_) {
            // Every byte whose last bit the line has delivered by now.
            const qint64 now = DeadlineTimer::now();
            if (headDoneNs_ > now)
                break;
            allowed = std::min<qsizetype>(
                allowed, static_cast<qsizetype>((now - headDoneNs_) / LineNanosecondsPerByte + 1));
        }
        const ssize_t n = ::write(master_, queue_.constData(), static_cast<size_t>(allowed));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // The slave's input is full (nobody reads the port): wait until there is room.
            writeNotifier_->setEnabled(true);
            paceTimer_.stop();
            return;
        }
        queue_.remove(0, static_cast<qsizetype>(n));
        lastWrite_.start();
        headDoneNs_ += static_cast<qint64>(n) * LineNanosecondsPerByte;
    }
    writeNotifier_->setEnabled(false);
    if (paced_ && !queue_.isEmpty())
        paceTimer_.startAt(headDoneNs_);
    else
        paceTimer_.stop();
}

void PtyEndpoint::hangUp() {
    if (master_ < 0 || hangUpTimer_.isActive())
        return;
    // Nothing more comes in; what is already queued still goes out.
    delete readNotifier_;
    readNotifier_ = nullptr;
    hangUpClock_.start();
    hangUpTimer_.start();
    finishHangUp();
}

void PtyEndpoint::finishHangUp() {
    constexpr qint64 LongestWaitMs = 1000;
    // Written bytes reach the slave's input queue, where FIONREAD counts them, a moment later.
    constexpr qint64 SettleMs = 20;
    int unread = 0;
    const bool drained = queue_.isEmpty() &&
                         (!lastWrite_.isValid() || lastWrite_.elapsed() >= SettleMs) &&
                         ioctl(slave_, FIONREAD, &unread) == 0 && unread == 0;
    if (drained || hangUpClock_.elapsed() > LongestWaitMs)
        closeAll();
}

void PtyEndpoint::closeAll() {
    paceTimer_.stop();
    hangUpTimer_.stop();
    exclusivityTimer_.stop();
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    queue_.clear();
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
}

} // namespace quorvane::sim
