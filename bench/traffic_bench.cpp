// The traffic window holding 100,000 lines: memory the journal and window hold, the cost of one
// append (what a page pays per frame) and of keeping the open window up to date. Prints figures;
// never fails on time.
#include "core/link/Commands.h"
#include "gui/app/TrafficModel.h"
#include "gui/app/TrafficWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <string>

using namespace quorvane;

namespace {

// Resident memory of this process in KiB.
long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int Lines = 100000;

    const long before = residentKiB();
    TrafficJournal journal(Lines);
    TrafficWindow window(journal, 0);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fputs("window never shown; figures are without painting\n", stderr);

    const Frame frame = buildFrame(cmd::routeInput(3, 2));
    QElapsedTimer appendClock;
    qint64 appendNs = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < Lines; ++i) {
        TrafficEntry entry{i, i % 2 ? TrafficDirection::Received : TrafficDirection::Sent,
                           Transport::Serial,
                           std::vector<std::uint8_t>(frame.begin(), frame.end())};
        appendClock.start();
        journal.record(std::move(entry));
        appendNs += appendClock.nsecsElapsed();
        // A fast link: the window's refresh gets its turn every 100 frames.
        if (i % 100 == 99)
            QCoreApplication::processEvents();
    }
    QTest::qWait(2 * TrafficWindow::RefreshMs);
    const qint64 totalMs = total.elapsed();
    const long after = residentKiB();

    // Once full, every append also drops the oldest line.
    QElapsedTimer fullClock;
    fullClock.start();
    constexpr int More = 20000;
    for (int i = 0; i < More; ++i) {
        journal.record(TrafficEntry{i, TrafficDirection::Sent, Transport::Tcp,
                                    std::vector<std::uint8_t>(frame.begin(), frame.end())});
        if (i % 100 == 99)
            QCoreApplication::processEvents();
    }
    QTest::qWait(2 * TrafficWindow::RefreshMs);
    const double fullUs = static_cast<double>(fullClock.nsecsElapsed()) / 1000.0 / More;

    std::printf("traffic window, %d lines shown: %d rows\n", Lines, window.model().rowCount());
    std::printf("  memory held: %.1f MiB (%.0f bytes a line)\n", (after - before) / 1024.0,
                (after - before) * 1024.0 / Lines);
    std::printf("  append, journal only: %.2f us a line\n",
                static_cast<double>(appendNs) / 1000.0 / Lines);
    std::printf("  append with the open window kept up to date: %.2f us a line (%lld ms for %d)\n",
                static_cast<double>(totalMs) * 1000.0 / Lines, static_cast<long long>(totalMs),
                Lines);
    std::printf("  append when full (oldest line dropped): %.2f us a line\n", fullUs);
    return 0;
}
