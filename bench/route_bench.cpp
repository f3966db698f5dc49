// Route round trip and full status read of the Matrix page over the serial link, against
// quorvane-sim pacing its output at the line rate (115200 baud, 11 bits a byte).
//
// For each exchange it measures the time from the page's write of its first command to the
// page's handling of the last answer (the moment the page is free again), and sets it against the
// line's own time for the bytes exchanged (13 out and 13 back per command). The simulator paces
// the line both ways: what the page writes reaches the simulated matrix at the line rate too.
// The same route command written straight into the simulator's pseudo-terminal, with no page in
// between, gives the simulator's own round trip: what it adds beyond the line is the floor under
// the page's figures. Prints figures; never fails on time.
//
//     route_bench [round trips (default 200)] [status reads (default 20)]

#include "BenchDoubles.h"
#include "Figure.h"
#include "SimProcess.h"

#include "core/app/Dialogs.h"
#include "core/link/Commands.h"
#include "core/link/Frame.h"
#include "core/routing/MatrixPage.h"
#include "platform/app/QtTimers.h"
#include "platform/link/SerialPort.h"
#include "serialports/PortNames.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace quorvane;

namespace {

constexpr double LineBitsPerByte = 11.0;
constexpr double LineBaud = 115200.0;
constexpr int BytesPerCommand = 2 * 13; // the command and its answer
constexpr int WaitLimitMs = 20000;

double lineMs(int bytes) {
    return bytes * LineBitsPerByte / LineBaud * 1000.0;
}

using bench::NoDialogs;
using bench::NoEvents;
using bench::NoTcp;

// The page's serial port, noting when the page writes.
class TimedSerial : public SerialLink {
public:
    TimedSerial(SerialPort& port, const QElapsedTimer& clock) : port_(port), clock_(clock) {}
    bool openPort(int n, const SerialSettings& settings) override {
        return port_.openPort(n, settings);
    }
    bool startWorker() override { return port_.startWorker(); }
    void writeBytes(const std::uint8_t* data, std::size_t size) override {
        if (firstWriteNs_ < 0)
            firstWriteNs_ = clock_.nsecsElapsed();
        port_.writeBytes(data, size);
    }
    void signalClose() override { port_.signalClose(); }
    bool isOpen() const override { return port_.isOpen(); }

    void resetFirstWrite() { firstWriteNs_ = -1; }
    qint64 firstWriteNs() const { return firstWriteNs_; }

private:
    SerialPort& port_;
    const QElapsedTimer& clock_;
    qint64 firstWriteNs_ = -1;
};

struct Figures {
    std::vector<double> ms;
    double median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0.0 : sorted[sorted.size() / 2];
    }
    void print(const char* what, int bytes) const {
        if (ms.empty()) {
            std::printf("%-22s no measurement\n", what);
            return;
        }
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const double median = sorted[sorted.size() / 2];
        const double line = lineMs(bytes);
        std::printf("%-22s n=%-4zu min %7.3f  median %7.3f  max %7.3f ms\n", what, sorted.size(),
                    sorted.front(), median, sorted.back());
        std::printf("%-22s line %7.3f ms for %d bytes: median/line %.2f; answers alone (paced) "
                    "%7.3f ms: median/answers %.2f\n",
                    "", line, bytes, median / line, line / 2, median / (line / 2));
    }
};

double monotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Route commands written straight into the simulator's pseudo-terminal; each time runs from the
// write to the last byte of the acknowledgement. Empty when the terminal cannot be used.
Figures simulatorAlone(const QString& device, int roundTrips) {
    Figures figures;
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return figures;
    termios raw{};
    if (tcgetattr(fd, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(fd, TCSANOW, &raw);
    }
    for (int i = 0; i < roundTrips; ++i) {
        const int output = 1 + i % 8;
        const int input = 1 + (i / 8 + output) % 8;
        const Frame frame = buildFrame(
            cmd::routeInput(static_cast<std::uint8_t>(input), static_cast<std::uint8_t>(output)));
        const double start = monotonicMs();
        if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()))
            break;
        std::size_t got = 0;
        std::uint8_t answer[64];
        while (got < frame.size()) {
            pollfd waitFor{fd, POLLIN, 0};
            if (::poll(&waitFor, 1, WaitLimitMs) <= 0)
                break;
            const ssize_t n = ::read(fd, answer, sizeof answer);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        if (got != frame.size())
            break;
        figures.ms.push_back(monotonicMs() - start);
    }
    ::close(fd);
    return figures;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int roundTrips = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int statusReads = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;

    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QUORVANE_SIM"))
        qputenv("QUORVANE_SIM", QUORVANE_SIM_PATH);
    ports::setBuiltInTableEnabled(false);
    // The simulator's traffic log would cost it time on every frame; send it nowhere.
    test::SimProcess sim({"--com", "1", "--pace", "--log", "/dev/null"}, runtime.path());
    if (!sim.ready()) {
        std::fprintf(stderr, "quorvane-sim did not start: %s\n", qPrintable(sim.errorText()));
        return 2;
    }

    QElapsedTimer clock;
    clock.start();
    LinkState state;
    state.comLinkOpen = true;
    state.comPortNumber = sim.comNumber();
    NoDialogs view;
    Dialogs dialogs(state, view);
    NoEvents events;
    NoTcp tcp;
    QtClock qtClock;
    QtTimers timers;
    SerialPort port;
    TimedSerial serial(port, clock);
    MatrixPage page(state, timers, serial, tcp, qtClock, dialogs, events);
    port.setByteHandler([&page](std::uint8_t byte, int n) { page.onSerialByte(byte, n); });

    // Runs one exchange started by `start` and returns its time in ms, or -1 when it never ended.
    QEventLoop loop;
    qint64 endNs = -1;
    page.setChangeListener([&] {
        if (!page.routingBusy() && loop.isRunning()) {
            endNs = clock.nsecsElapsed();
            loop.quit();
        }
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    auto measure = [&](auto start) -> double {
        serial.resetFirstWrite();
        endNs = -1;
        start();
        if (!page.routingBusy())
            return -1;
        limit.start(WaitLimitMs);
        loop.exec();
        limit.stop();
        if (endNs < 0 || serial.firstWriteNs() < 0)
            return -1;
        return static_cast<double>(endNs - serial.firstWriteNs()) / 1e6;
    };

    Figures reads;
    for (int i = 0; i < statusReads; ++i) {
        const double ms = measure([&] { page.onShow(); });
        if (ms < 0) {
            std::fprintf(stderr, "status read %d did not end\n", i + 1);
            return 1;
        }
        reads.ms.push_back(ms);
    }
    Figures routes;
    for (int i = 0; i < roundTrips; ++i) {
        const int output = 1 + i % 8;
        const int input = 1 + (i / 8 + output) % 8;
        const double ms = measure([&] { page.clickInput(output, input); });
        if (ms < 0 || page.displayText(output) != std::to_string(input)) {
            std::fprintf(stderr, "route %d did not end as asked\n", i + 1);
            return 1;
        }
        routes.ms.push_back(ms);
    }

    // The page lets go of the port; the simulator's own round trip, with nothing of ours between.
    port.signalClose();
    const Figures alone = simulatorAlone(sim.ptyDevice(), roundTrips);

    std::printf(
        "Matrix page over the serial link, simulator pacing at 115200 baud, 11 bits/byte\n");
    alone.print("simulator alone", BytesPerCommand);
    routes.print("route round trip", BytesPerCommand);
    reads.print("full status read", 8 * BytesPerCommand);
    // The simulator's own share: under 50 us a frame beyond the line, two frames a round trip.
    const double routeLine = lineMs(BytesPerCommand);
    bench::printMsFigure("simulator alone / line (route)", alone.median(), routeLine,
                         (routeLine + 2 * 0.050) / routeLine);
    bench::printMsFigure("route round trip / line", routes.median(), routeLine, 1.03);
    bench::printMsFigure("status read of 8 outputs / line", reads.median(),
                         lineMs(8 * BytesPerCommand), 1.05);
    // The same figures against the line and the simulator's own share of it (its median round
    // trip, once for the route, once per output for the status read): the program's own
    // overhead, which is what the goals are about.
    bench::printMsFigure("route round trip / simulator alone", routes.median(), alone.median(),
                         1.03);
    bench::printMsFigure("status read of 8 outputs / 8 x simulator alone", reads.median(),
                         8 * alone.median(), 1.05);
    return alone.ms.size() == static_cast<std::size_t>(roundTrips) ? 0 : 1;
}
