// quorvane-cli status over the serial link, against quorvane-sim pacing its output at the line
// rate (115200 baud, 11 bits a byte): the time from starting the process to its exit, set against
// the line time of the status read's 16 frames (8 queries and 8 answers of 13 bytes). The
// start-up cost is measured apart, as the time of `quorvane-cli --version` (Qt Core started, the
// command line read, nothing opened), and so is `ports`, which looks at the ports but opens none.
// Prints figures; never fails on time.
//
//     cli_status_bench [runs (default 50)]

#include "Figure.h"
#include "SimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr double LineMs = 16 * 13 * 11.0 / 115200.0 * 1000.0;

struct Figures {
    double median = 0;
    double p90 = 0;
    double minimum = 0;
    int failures = 0;
};

Figures summarise(std::vector<double> times, int failures) {
    Figures f;
    f.failures = failures;
    if (times.empty())
        return f;
    std::sort(times.begin(), times.end());
    f.median = times[times.size() / 2];
    f.p90 = times[std::min(times.size() - 1, times.size() * 9 / 10)];
    f.minimum = times.front();
    return f;
}

// Runs the program `runs` times with `arguments`; the wall time of each run from start to exit.
Figures measure(const QString& runtimeDir, const QStringList& arguments, int runs) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    env.insert(QStringLiteral("QUORVANE_NO_SYSTEM_PORTS"), QStringLiteral("1"));
    std::vector<double> times;
    int failures = 0;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        process.start(QStringLiteral(QUORVANE_CLI_PATH), arguments);
        if (!process.waitForFinished(20000) || process.exitCode() != 0) {
            ++failures;
            std::fprintf(stderr, "run failed: %s\n", process.readAllStandardError().constData());
            continue;
        }
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    return summarise(std::move(times), failures);
}

void print(const char* what, const Figures& f) {
    std::printf("%-34s median %7.2f ms   p90 %7.2f ms   min %7.2f ms   failures %d\n", what,
                f.median, f.p90, f.minimum, f.failures);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    qputenv("QUORVANE_NO_SYSTEM_PORTS", "1");
    if (qEnvironmentVariableIsEmpty("QUORVANE_SIM"))
        qputenv("QUORVANE_SIM", QUORVANE_SIM_PATH);
    quorvane::test::SimProcess sim({"--com", "1", "--pace", "--log", "/dev/null"}, runtime.path());
    if (!sim.ready()) {
        std::fprintf(stderr, "quorvane-sim did not start: %s\n", qPrintable(sim.errorText()));
        return 1;
    }

    const Figures startup = measure(runtime.path(), {"--version"}, runs);
    const Figures ports = measure(runtime.path(), {"ports"}, runs);
    const Figures status = measure(runtime.path(), {"--com", "1", "status"}, runs);

    std::printf("quorvane-cli, %d runs each, simulator pacing at 115200 baud\n", runs);
    print("start-up (--version)", startup);
    print("ports (no port opened)", ports);
    print("--com 1 status, start to exit", status);
    std::printf("line time of the 16 frames: %.2f ms\n", LineMs);
    std::printf("status minus start-up (median): %.2f ms = %.2f x the line time\n",
                status.median - startup.median, (status.median - startup.median) / LineMs);
    std::printf("status start to exit (median): %.2f x the line time\n", status.median / LineMs);
    // Goal: the line time plus 12 ms.
    quorvane::bench::printMsFigure("quorvane-cli --com 1 status / line", status.median, LineMs,
                                   (LineMs + 12.0) / LineMs);
    return startup.failures + ports.failures + status.failures > 0 ? 1 : 0;
}
