#include "platform/link/SerialPort.h"

#include "serialports/PortAccess.h"
#include "serialports/PortNames.h"

#include <QPointer>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace quorvane {

namespace {

std::optional<speed_t> speedFor(int baudRate) {
    static constexpr std::array<std::pair<int, speed_t>, 14> speeds{{
        {1200, B1200},
        {2400, B2400},
        {4800, B4800},
        {9600, B9600},
        {19200, B19200},
        {38400, B38400},
        {57600, B57600},
        {115200, B115200},
        {230400, B230400},
        {460800, B460800},
        {500000, B500000},
        {921600, B921600},
        {1000000, B1000000},
        {2000000, B2000000},
    }};
    for (const auto& [rate, speed] : speeds) {
        if (rate == baudRate)
            return speed;
    }
    return std::nullopt;
}

tcflag_t dataBitsFlag(int dataBits) {
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

// Raw bytes both ways: no line editing, no echo, no CR/NL translation, no output processing, no
// flow control of either kind. Settings the device does not take are ignored: the port still
// counts as open.
void applyLineSettings(int fd, termios line, const SerialSettings& settings) {
    cfmakeraw(&line);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    line.c_cflag |= CLOCAL | CREAD | dataBitsFlag(settings.dataBits);
    if (settings.parity == 'E' || settings.parity == 'e')
        line.c_cflag |= PARENB;
    else if (settings.parity == 'O' || settings.parity == 'o')
        line.c_cflag |= PARENB | PARODD;
    if (settings.stopBits == 2)
        line.c_cflag |= CSTOPB;
    line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    if (const auto speed = speedFor(settings.baudRate)) {
        cfsetispeed(&line, *speed);
        cfsetospeed(&line, *speed);
    }
    tcsetattr(fd, TCSANOW, &line);
}

void raiseRts(int fd) {
    // Adapters with modem lines get RTS raised; a pseudo-terminal has none and answers ENOTTY,
    // which is fine.
    int lines = TIOCM_RTS;
    ioctl(fd, TIOCMBIS, &lines);
}

// Gives up the hold before closing. TIOCEXCL stays on the terminal as long as any descriptor of it
// is open (a pseudo-terminal's other end keeps one) and would refuse the next open, so a flag we
// set is cleared; a flag someone else set is theirs and stays.
void releaseAndClose(int fd, bool ownsExclusiveFlag) {
    if (ownsExclusiveFlag)
        ioctl(fd, TIOCNXCL);
    flock(fd, LOCK_UN);
    close(fd);
}

bool sameSettings(const SerialSettings& a, const SerialSettings& b) {
    return a.baudRate == b.baudRate && a.parity == b.parity && a.dataBits == b.dataBits &&
           a.stopBits == b.stopBits;
}

// The exclusive flag as another program left it; false where the kernel cannot tell.
bool exclusiveFlagSet(int fd) {
    int flag = 0;
    return ioctl(fd, TIOCGEXCL, &flag) == 0 && flag != 0;
}

} // namespace

SerialPort::SerialPort(QObject* parent) : QObject(parent) {}

SerialPort::~SerialPort() {
    closeDevice();
}

bool SerialPort::openPort(int portNumber, const SerialSettings& settings) {
    if (keepOpen_ && fd_ >= 0 && !failed_ && portNumber == portNumber_ &&
        sameSettings(settings, openSettings_)) {
        // The device this object still holds, as it was opened: taken up again.
        suspended_ = false;
        refusal_.clear();
        ++generation_;
        return true;
    }
    closeDevice();
    portNumber_ = portNumber;
    refusal_.clear();

    const auto path = ports::resolvePort(portNumber);
    const auto device = path ? ports::deviceNode(*path) : std::nullopt;
    if (!device)
        return false;
    const std::string name = ports::portName(portNumber);
    if (auto refusal = ports::refusalBeforeOpen(*device, name)) {
        refusal_ = std::move(*refusal);
        return false;
    }
    // Another port object of this program has it (its flock shows): no business of other programs.
    if (const auto holder = ports::lockHolder(*device, /*countThisProcess*/ true);
        holder && holder->pid == getpid())
        return false;
    const int fd = open(device->path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A terminal refuses an unprivileged open with EBUSY while its exclusive flag is set.
        if (errno == EBUSY)
            refusal_ = ports::exclusiveText(name);
        else if (errno == EACCES || errno == EPERM)
            refusal_ = ports::permissionRefusal(*device, name);
        return false;
    }
    // The flock keeps out every other SerialPort of this program, root included (TIOCEXCL does
    // not stop root).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        if (auto holder = ports::lockHolder(*device))
            refusal_ = ports::inUseText(name, *holder);
        return false;
    }
    termios line{};
    if (tcgetattr(fd, &line) != 0) {
        releaseAndClose(fd, false);
        return false;
    }
    // Root gets through another program's exclusive flag; it is refused here all the same, before
    // a single setting changes.
    if (exclusiveFlagSet(fd)) {
        releaseAndClose(fd, false);
        refusal_ = ports::exclusiveText(name);
        return false;
    }
    ownsExclusiveFlag_ = ioctl(fd, TIOCEXCL) == 0;
    applyLineSettings(fd, line, settings);
    raiseRts(fd);
    // Bytes that arrived before the open are left in place: they may be the start of a reply.
    fd_ = fd;
    openSettings_ = settings;
    ++generation_;
    return true;
}

bool SerialPort::startWorker() {
    if (fd_ < 0 || suspended_)
        return false;
    if (readNotifier_ == nullptr) {
        readNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(readNotifier_, &QSocketNotifier::activated, this, &SerialPort::onReadable);
    }
    readNotifier_->setEnabled(!failed_);
    return true;
}

void SerialPort::writeBytes(const std::uint8_t* data, std::size_t size) {
    if (fd_ < 0 || failed_ || suspended_ || size == 0)
        return;
    const bool writing = !writeQueue_.isEmpty();
    writeQueue_.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (writing)
        return; // the write notifier finishes the queue in order
    if (!flushQueue()) {
        // Report from the event loop, not from inside the caller's send.
        const unsigned generation = generation_;
        stopIo();
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == generation_)
                    notifyFailure();
            },
            Qt::QueuedConnection);
    }
}

void SerialPort::signalClose() {
    if (keepOpen_ && fd_ >= 0 && !failed_) {
        suspend();
        return;
    }
    closeDevice();
}

void SerialPort::suspend() {
    writeQueue_.clear();
    if (readNotifier_ != nullptr)
        readNotifier_->setEnabled(false);
    if (writeNotifier_ != nullptr)
        writeNotifier_->setEnabled(false);
    suspended_ = true;
    ++generation_;
}

void SerialPort::onReadable() {
    std::array<std::uint8_t, 4096> buffer{};
    const ssize_t count = read(fd_, buffer.data(), buffer.size());
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (count <= 0) {
        // An error, or end of file: the adapter is gone or the far end hung up. Switching the
        // notifier off keeps a dead line from waking the event loop over and over.
        stopIo();
        notifyFailure();
        return;
    }
    const ByteHandler handler = byteHandler_;
    if (!handler)
        return;
    const QPointer<SerialPort> alive(this);
    const unsigned generation = generation_;
    const int port = portNumber_;
    for (ssize_t i = 0; i < count; ++i) {
        handler(buffer[static_cast<std::size_t>(i)], port);
        // A handler may have closed, reopened or destroyed the port: the rest belongs to the old
        // line.
        if (alive.isNull() || generation != generation_)
            return;
    }
}

void SerialPort::onWritable() {
    if (!flushQueue()) {
        stopIo();
        notifyFailure();
    }
}

bool SerialPort::flushQueue() {
    while (!writeQueue_.isEmpty()) {
        const ssize_t written =
            write(fd_, writeQueue_.constData(), static_cast<std::size_t>(writeQueue_.size()));
        if (written > 0) {
            writeQueue_.remove(0, static_cast<qsizetype>(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        break; // the device takes no more for now
    }
    const bool pending = !writeQueue_.isEmpty();
    if (pending && writeNotifier_ == nullptr) {
        writeNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, this);
        connect(writeNotifier_, &QSocketNotifier::activated, this, &SerialPort::onWritable);
    }
    if (writeNotifier_ != nullptr)
        writeNotifier_->setEnabled(pending);
    return true;
}

void SerialPort::stopIo() {
    failed_ = true;
    writeQueue_.clear();
    if (readNotifier_ != nullptr)
        readNotifier_->setEnabled(false);
    if (writeNotifier_ != nullptr)
        writeNotifier_->setEnabled(false);
}

void SerialPort::notifyFailure() {
    const FailureHandler handler = failureHandler_;
    if (handler)
        handler();
}

void SerialPort::closeDevice() {
    retireNotifiers();
    writeQueue_.clear();
    failed_ = false;
    suspended_ = false;
    if (fd_ < 0)
        return;
    releaseAndClose(fd_, ownsExclusiveFlag_);
    ownsExclusiveFlag_ = false;
    fd_ = -1;
    ++generation_;
}

void SerialPort::retireNotifiers() {
    // A notifier may be the one whose signal is running right now: delete it from the event loop.
    for (QSocketNotifier** notifier : {&readNotifier_, &writeNotifier_}) {
        if (*notifier == nullptr)
            continue;
        (*notifier)->setEnabled(false);
        (*notifier)->disconnect(this);
        (*notifier)->deleteLater();
        *notifier = nullptr;
    }
}

} // namespace quorvane
