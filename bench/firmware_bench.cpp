// A full firmware upgrade of the main image over the serial link, against quorvane-sim pacing the
// line both ways at 115200 baud, 11 bits a byte, with a reboot of no length.
//
// For each image size it measures the time from the page's first write ("Upgrade") to success,
// and sets it against the critical path: the delays the upgrade must keep (200 ms before the
// erase, 200 ms before the prepare, 200 ms before the first block's data, 100 ms before every
// later one), the line time of every byte sent and received but the block headers (a header
// travels during the delay that follows it) and the simulator's reboot. It also sets it against
// the critical path plus what the simulator and the pseudo-terminal added to each block's
// acknowledgement (measured here: from the block's write to the last byte of its answer, less the
// line time of both), which leaves the program's own overhead. Prints figures; never fails on
// time.
//
//     firmware_bench [image sizes in bytes (default 20000 199998)]

#include "BenchDoubles.h"
#include "Figure.h"
#include "SimProcess.h"

#include "core/app/Dialogs.h"
#include "core/firmware/FirmwareIds.h"
#include "core/firmware/FirmwarePage.h"
#include "platform/app/QtTimers.h"
#include "platform/link/SerialPort.h"
#include "serialports/PortNames.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace quorvane;

namespace {

constexpr double LineMsPerByte = 11.0 / 115200.0 * 1000.0;
constexpr int RebootMs = 0;
constexpr int WaitLimitMs = 300000;

using bench::NoDialogs;
using bench::NoEvents;
using bench::NoTcp;

// The page's serial port, counting what the page writes and noting when it starts.
class CountingSerial : public SerialLink {
public:
    CountingSerial(SerialPort& port, const QElapsedTimer& clock) : port_(port), clock_(clock) {}
    bool openPort(int n, const SerialSettings& settings) override {
        return port_.openPort(n, settings);
    }
    bool startWorker() override { return port_.startWorker(); }
    void writeBytes(const std::uint8_t* data, std::size_t size) override {
        const qint64 now = clock_.nsecsElapsed();
        if (firstWriteNs < 0)
            firstWriteNs = now;
        bytesOut += static_cast<long>(size);
        if (size == 257) {
            ++blocks;
            blockWriteNs = now;
        } else if (blockWriteNs >= 0 && lastReadNs > blockWriteNs) {
            // The first write after a block's acknowledgement: from the block's write to the
            // acknowledgement's last byte is the line (block and answer) plus what the simulator
            // and the pseudo-terminal add; the rest of the upgrade's time is the program's.
            const double heldMs =
                static_cast<double>(lastReadNs - blockWriteNs) / 1e6 - (257 + 13) * LineMsPerByte;
            simulatorShareMs += std::max(0.0, heldMs);
            blockWriteNs = -1;
        }
        port_.writeBytes(data, size);
    }
    void noteRead() { lastReadNs = clock_.nsecsElapsed(); }
    void signalClose() override { port_.signalClose(); }
    bool isOpen() const override { return port_.isOpen(); }

    qint64 firstWriteNs = -1;
    long bytesOut = 0;
    long blocks = 0;
    qint64 blockWriteNs = -1;
    qint64 lastReadNs = -1;
    double simulatorShareMs = 0;

private:
    SerialPort& port_;
    const QElapsedTimer& clock_;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::max(1L, std::atol(argv[i])));
    if (sizes.empty())
        sizes = {20000, 199998};

    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QUORVANE_SIM"))
        qputenv("QUORVANE_SIM", QUORVANE_SIM_PATH);
    ports::setBuiltInTableEnabled(false);
    test::SimProcess sim(
        {"--com", "1", "--pace", "--reboot-ms", QString::number(RebootMs), "--log", "/dev/null"},
        runtime.path());
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
    CountingSerial serial(port, clock);
    FirmwarePage page(state, timers, serial, tcp, qtClock, dialogs, events);
    long bytesIn = 0;
    port.setByteHandler([&](std::uint8_t byte, int n) {
        ++bytesIn;
        serial.noteRead();
        page.onSerialByte(byte, n);
    });
    state.pageSerialSettings.stopBits = 2;
    if (!serial.openPort(state.comPortNumber, state.pageSerialSettings) || !serial.startWorker()) {
        std::fprintf(stderr, "cannot open COM%d\n", state.comPortNumber);
        return 2;
    }

    QEventLoop loop;
    qint64 endNs = -1;
    page.setChangeListener([&] {
        if (!page.upgrading() && loop.isRunning()) {
            endNs = clock.nsecsElapsed();
            loop.quit();
        }
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);

    std::printf("Firmware upgrade of the main image over the serial link, simulator pacing both "
                "ways at 115200 baud, 11 bits/byte, reboot %d ms\n",
                RebootMs);
    for (long size : sizes) {
        // A firmware file holding the main image: A5 5A and the image, scrambled.
        std::vector<std::uint8_t> plain{0xA5, 0x5A};
        for (long i = 0; i < size; ++i)
            plain.push_back(static_cast<std::uint8_t>((i * 31 + i / 256) & 0x7F));
        const auto key = static_cast<std::uint8_t>((plain.size() & 0xFF) ^ 0xA7);
        const QString path = runtime.filePath(QStringLiteral("image%1.fw").arg(size));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 2;
        for (std::uint8_t b : plain)
            file.putChar(static_cast<char>(b ^ key));
        file.close();
        if (!page.openFile(path.toStdString())) {
            std::fprintf(stderr, "cannot load %s\n", qPrintable(path));
            return 2;
        }

        serial.firstWriteNs = -1;
        serial.bytesOut = 0;
        serial.blocks = 0;
        serial.blockWriteNs = -1;
        serial.simulatorShareMs = 0;
        bytesIn = 0;
        endNs = -1;
        page.clearMessages();
        page.upgrade();
        limit.start(WaitLimitMs);
        loop.exec();
        limit.stop();
        if (endNs < 0 ||
            page.messages().find("Firmware upgrade Successfully") == std::string::npos) {
            std::fprintf(stderr, "upgrade of %ld bytes did not succeed:\n%s\n", size,
                         page.messages().c_str());
            return 1;
        }
        const double totalMs = static_cast<double>(endNs - serial.firstWriteNs) / 1e6;
        // The mandated gaps: before the erase, before the prepare, before the first block's data
        // and before every later block's data.
        const double delaysMs = firmware::EraseDelayMs + firmware::PrepareDelayMs +
                                firmware::FirstBlockGapMs +
                                firmware::NextBlockGapMs * static_cast<double>(serial.blocks - 1);
        const double lineMs = static_cast<double>(serial.bytesOut + bytesIn) * LineMsPerByte;
        // The block headers travel inside the mandated gaps, so the critical path is the gaps,
        // the line time of everything but the headers, and the reboot.
        const double criticalMs =
            delaysMs + lineMs + RebootMs - static_cast<double>(serial.blocks) * 13 * LineMsPerByte;
        std::printf("image %6ld bytes: %4ld blocks sent, %7ld bytes out, %5ld bytes in\n", size,
                    serial.blocks, serial.bytesOut, bytesIn);
        std::printf("  total %9.1f ms; critical path %9.1f ms (gaps %.0f + line %.1f without "
                    "headers + reboot %d): total/critical %.4f\n",
                    totalMs, criticalMs, delaysMs,
                    lineMs - static_cast<double>(serial.blocks) * 13 * LineMsPerByte, RebootMs,
                    totalMs / criticalMs);
        char name[96];
        std::snprintf(name, sizeof name, "firmware upgrade %ld kB / critical path", size / 1000);
        bench::printMsFigure(name, totalMs, criticalMs, 1.005);
        // The same against the critical path and what the simulator and the pseudo-terminal
        // added to the blocks' acknowledgements: the program's own overhead.
        std::printf("  simulator and pseudo-terminal: %.1f ms over %ld blocks (%.3f ms a block)\n",
                    serial.simulatorShareMs, serial.blocks,
                    serial.simulatorShareMs / static_cast<double>(std::max(1L, serial.blocks)));
        std::snprintf(name, sizeof name, "firmware upgrade %ld kB / critical path + simulator",
                      size / 1000);
        bench::printMsFigure(name, totalMs, criticalMs + serial.simulatorShareMs, 1.005);
        std::fflush(stdout);
    }
    return 0;
}
