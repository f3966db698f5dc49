// The quorvane-sim program from the outside: a client on its pseudo-terminal (opened through the
// COM link, raw) and on its TCP port gets the matrix's answers, fault switches change them, and the
// COM link lives exactly as long as the simulator.
#include "ForeignHolder.h"
#include "SimProcess.h"

#include <QFileInfo>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using quorvane::test::SimProcess;

namespace {

const QByteArray BeepQuery = QByteArray::fromHex("A55B010B0000000000000000F4");
const QByteArray BeepOnAnswer = QByteArray::fromHex("A55B010B00000F0000000000E5");
const QByteArray RouteIn3Out2 = QByteArray::fromHex("A55B020303000200000000"
                                                    "00F6");
const QByteArray RouteAckOut2 = QByteArray::fromHex("A55B020300000200000000"
                                                    "00F9");
const QByteArray StandbyReport = QByteArray::fromHex("A55B888800000000000000"
                                                     "00F0");
constexpr int WaitMs = 5000;

// Waits until the simulator's log holds `line` (it logs each new decision about a program's
// exclusive flag); false when it never does.
bool waitForLogLine(const SimProcess& sim, const char* line) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitMs);
    while (!sim.standardError().contains(line)) {
        if (std::chrono::steady_clock::now() >= end || !sim.running())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A program's end of the simulator's serial line: the COM link's target, opened raw.
class PortClient {
public:
    explicit PortClient(const QString& path) {
        fd_ =
            ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            return;
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
    }
    ~PortClient() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }
    void write(const QByteArray& bytes) {
        ASSERT_EQ(::write(fd_, bytes.constData(), static_cast<size_t>(bytes.size())), bytes.size());
    }
    // Reads until `count` bytes are in, the line hangs up or WaitMs pass.
    QByteArray read(qsizetype count) {
        QByteArray in;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitMs);
        while (in.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                in.append(buffer, static_cast<qsizetype>(n));
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                hungUp_ = true;
                break;
            } else if (p.revents & POLLHUP) {
                hungUp_ = true;
                break;
            }
        }
        return in;
    }
    // True once a read found the line dead (EIO or a hang-up), waiting at most WaitMs.
    bool waitForHangUp() {
        read(1 << 20);
        return hungUp_;
    }

private:
    int fd_ = -1;
    bool hungUp_ = false;
};

QByteArray readTcp(QTcpSocket& socket, qsizetype count) {
    QByteArray in;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(WaitMs);
    while (in.size() < count && std::chrono::steady_clock::now() < end &&
           socket.state() == QAbstractSocket::ConnectedState) {
        if (socket.bytesAvailable() == 0)
            socket.waitForReadyRead(50);
        in += socket.read(count - in.size());
    }
    return in;
}

bool connectTo(QTcpSocket& socket, const SimProcess& sim) {
    socket.connectToHost(sim.tcpAddress(), 8000);
    return socket.waitForConnected(WaitMs);
}

// The terminal's exclusive flag as an outsider sees it: 1 set, 0 clear, -1 not opened. Root
// opens and asks; anybody else is refused with EBUSY while the flag is set.
int exclusiveFlag(const QByteArray& link) {
    const int fd = ::open(link.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY ? 1 : -1;
    int flag = -1;
    ioctl(fd, TIOCGEXCL, &flag);
    ::close(fd);
    return flag;
}

} // namespace

TEST(SimProcess, AnswersOnItsPortAndOnTcp) {
    SimProcess sim({"--com", "3", "--tcp", "127.0.4.1"});
    ASSERT_TRUE(sim.ready()) << sim.errorText().toStdString();
    EXPECT_EQ(sim.comNumber(), 3);
    EXPECT_EQ(sim.tcpAddress(), "127.0.4.1");
    EXPECT_EQ(QFileInfo(sim.comLinkPath()).symLinkTarget(), sim.ptyDevice());

    PortClient port(sim.comLinkPath());
    ASSERT_TRUE(port.isOpen());
    port.write(RouteIn3Out2);
    EXPECT_EQ(port.read(13), RouteAckOut2);

    QTcpSocket socket;
    ASSERT_TRUE(connectTo(socket, sim));
    socket.write(BeepQuery);
    EXPECT_EQ(readTcp(socket, 13), BeepOnAnswer);
    // The routing changed on the serial line is what TCP reads back: output 2 shows input 3.
    socket.write(QByteArray::fromHex("A55B02010200000000000000FB"));
    EXPECT_EQ(readTcp(socket, 13), QByteArray::fromHex("A55B02010200030000000000F8"));

    // A second client replaces the first.
    QTcpSocket second;
    ASSERT_TRUE(connectTo(second, sim));
    second.write(BeepQuery);
    EXPECT_EQ(readTcp(second, 13), BeepOnAnswer);

    EXPECT_TRUE(sim.stop());
    // The traffic log (stderr): one line per frame taken in and sent.
    const QByteArray log = sim.standardError();
    EXPECT_TRUE(log.contains("RX serial A5 5B 02 03 03 00 02 00 00 00 00 00 F6\n"));
    EXPECT_TRUE(log.contains("TX serial A5 5B 02 03 00 00 02 00 00 00 00 00 F9\n"));
    EXPECT_TRUE(log.contains("TX tcp A5 5B 01 0B 00 00 0F 00 00 00 00 00 E5\n"));
    EXPECT_FALSE(QFileInfo::exists(sim.comLinkPath()));
    EXPECT_FALSE(QFileInfo(sim.comLinkPath()).isSymLink());
}

// With --pace the command takes its line time to reach the matrix and the answer its line time to
// come back: 26 bytes at 115,200 baud, 11 bits a byte. However busy the machine, the answer can
// come later than that, never sooner (each byte is delivered when its last bit would be).
TEST(SimProcess, APacedLineIsNeverFasterThanTheLine) {
    SimProcess sim({"--com", "5", "--pace", "--log", "/dev/null"});
    ASSERT_TRUE(sim.ready()) << sim.errorText().toStdString();
    PortClient port(sim.comLinkPath());
    ASSERT_TRUE(port.isOpen());
    const auto lineTime = std::chrono::nanoseconds(26LL * 11 * 1000000000LL / 115200);
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        port.write(RouteIn3Out2);
        EXPECT_EQ(port.read(13), RouteAckOut2);
        EXPECT_GE(std::chrono::steady_clock::now() - start, lineTime) << "round trip " << i;
    }
}

TEST(SimProcess, FaultSwitchesChangeTheAnswers) {
    {
        // Reply 1 dropped: the first answer to arrive belongs to the second command.
        SimProcess sim({"--tcp", "127.0.4.2", "--drop-reply", "1"});
        ASSERT_TRUE(sim.ready()) << sim.errorText().toStdString();
        QTcpSocket socket;
        ASSERT_TRUE(connectTo(socket, sim));
        socket.write(BeepQuery);
        socket.write(RouteIn3Out2);
        EXPECT_EQ(readTcp(socket, 13), RouteAckOut2);
    }
    {
        // Reply 2 corrupted (checksum one too high), reply 3 replaced by the standby report.
        SimProcess sim({"--com", "4", "--corrupt-reply", "2", "--standby-before-reply", "3"});
        ASSERT_TRUE(sim.ready()) << sim.errorText().toStdString();
        EXPECT_TRUE(sim.tcpAddress().isEmpty());
        PortClient port(sim.comLinkPath());
        ASSERT_TRUE(port.isOpen());
        port.write(BeepQuery);
        port.write(BeepQuery);
        port.write(BeepQuery);
        EXPECT_EQ(port.read(39),
                  BeepOnAnswer + QByteArray::fromHex("A55B010B00000F0000000000E6") + StandbyReport);
    }
    {
        // TCP closed after reply 1.
        SimProcess sim({"--tcp", "127.0.4.3", "--close-after-reply", "1"});
        ASSERT_TRUE(sim.ready()) << sim.errorText().toStdString();
        QTcpSocket socket;
        ASSERT_TRUE(connectTo(socket, sim));
        socket.write(BeepQuery);
        EXPECT_EQ(readTcp(socket, 13), BeepOnAnswer);
        EXPECT_TRUE(socket.state() == QAbstractSocket::UnconnectedState ||
                    socket.waitForDisconnected(WaitMs));
    }
}

TEST(SimProcess, HangUpKillsTheLineAndRemovesItsName) {
    SimProcess sim({"--com", "6", "--hang-up-after-reply", "1"});
    ASSERT_TRUE(sim.ready()) << sim.errorText().toStdString();
    PortClient port(sim.comLinkPath());
    ASSERT_TRUE(port.isOpen());
    port.write(BeepQuery);
    EXPECT_EQ(port.read(13), BeepOnAnswer);
    EXPECT_TRUE(port.waitForHangUp());
    EXPECT_FALSE(QFileInfo(sim.comLinkPath()).isSymLink());
    EXPECT_TRUE(sim.running());
}

TEST(SimProcess, ComNameIsExclusiveWhileItsOwnerLivesAndReplacedWhenStale) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    auto first = std::make_unique<SimProcess>(QStringList{"--com", "5"}, runtime.path());
    ASSERT_TRUE(first->ready()) << first->errorText().toStdString();
    const QString link = first->comLinkPath();

    SimProcess rival({"--com", "5"}, runtime.path());
    EXPECT_FALSE(rival.ready());
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), first->ptyDevice());

    first->kill(); // no clean-up: the link stays behind
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    SimProcess second({"--com", "5"}, runtime.path());
    ASSERT_TRUE(second.ready()) << second.errorText().toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), second.ptyDevice());
    PortClient port(link);
    ASSERT_TRUE(port.isOpen());
    port.write(BeepQuery);
    EXPECT_EQ(port.read(13), BeepOnAnswer);
}

TEST(SimProcess, RefusesANonLoopbackAddressUnlessAllowed) {
    SimProcess sim({"--tcp", "192.0.2.1"});
    EXPECT_FALSE(sim.ready());
    EXPECT_FALSE(sim.running());
    EXPECT_EQ(sim.exitCode(), 2);
    EXPECT_TRUE(sim.errorText().contains("--allow-non-loopback"));
}

// A program killed while it has the port open leaves the terminal's exclusive flag behind (the
// simulator's own descriptor keeps the terminal alive); the simulator clears it once no lock is
// held on the port, so the next unprivileged program can open it again.
TEST(SimProcess, ClearsTheExclusiveFlagOfAKilledProgram) {
    SimProcess sim({"--com", "4", "--tcp", "127.0.4.6"});
    ASSERT_TRUE(sim.ready()) << sim.errorText().toStdString();
    const QByteArray link = QFile::encodeName(sim.comLinkPath());
    auto exclusive = [&] { return exclusiveFlag(link); };

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        // The program's way of holding the port: an flock and the exclusive flag.
        const int fd = ::open(link.constData(), O_RDWR | O_NOCTTY);
        const bool held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && ioctl(fd, TIOCEXCL) == 0;
        const char answer = held ? 'y' : 'n';
        static_cast<void>(::write(ready[1], &answer, 1));
        pause();
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_EQ(answer, 'y');

    // While its holder lives the flag stays: the simulator has looked and kept it.
    EXPECT_TRUE(waitForLogLine(sim, "exclusive flag kept: a program holds the port's lock"));
    EXPECT_EQ(exclusive(), 1);

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_TRUE(waitForLogLine(sim, "exclusive flag cleared: its program has gone"));
    EXPECT_EQ(exclusive(), 0);
}

// A terminal program that holds the port with the exclusive flag but no lock is still there: the
// simulator leaves its flag alone until it has gone.
TEST(SimProcess, LeavesTheExclusiveFlagOfALiveProgramThatTookNoLock) {
    SimProcess sim({"--com", "4", "--tcp", "127.0.4.7"});
    ASSERT_TRUE(sim.ready()) << sim.errorText().toStdString();
    const QByteArray link = QFile::encodeName(sim.comLinkPath());
    auto exclusive = [&] { return exclusiveFlag(link); };

    quorvane::test::ForeignHolder holder(link.toStdString(), "no-lock-term",
                                         {.exclusiveFlag = true});
    ASSERT_TRUE(holder.ready());
    // The simulator has looked, found no lock, and kept the flag of the program still there.
    EXPECT_TRUE(waitForLogLine(sim, "exclusive flag kept: a program has the port open"));
    EXPECT_EQ(exclusive(), 1);

    holder.stop();
    EXPECT_TRUE(waitForLogLine(sim, "exclusive flag cleared: its program has gone"));
    EXPECT_EQ(exclusive(), 0);
}
