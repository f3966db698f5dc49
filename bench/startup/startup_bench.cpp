// Start-up to first paint and peak memory of quorvane beside a minimal Qt Widgets program, and the
// CPU the idle program uses while its port list polls. Prints figures; never fails on time.
//
// Each probe is started fresh (fork + exec) several times; the time runs from just before exec to
// the probe's first finished paint, the memory is the child's peak resident set. The idle run
// starts the real quorvane with no port to find (empty ports folder, built-in table off) and reads
// its CPU time from /proc over the measuring window.

#include "Figure.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Run {
    double startupMs = -1;
    long peakKb = 0;
};

// Runs `path` to its end; its first stdout line is the monotonic time of its first paint.
Run runProbe(const char* path) {
    int out[2];
    if (pipe(out) != 0)
        return {};
    const long long started = monotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(path, path, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.peakKb = usage.ru_maxrss;
    if (!text.empty())
        run.startupMs = static_cast<double>(std::atoll(text.c_str()) - started) / 1e6;
    return run;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// utime + stime of `pid` in clock ticks.
long long cpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) { // field 3 is the state
        if (i == 14)
            utime = std::atoll(field.c_str());
        if (i == 15) {
            stime = std::atoll(field.c_str());
            break;
        }
    }
    return utime + stime;
}

void measureIdle(int seconds) {
    char folder[] = "/tmp/quorvane-bench-XXXXXX";
    if (!mkdtemp(folder))
        return;
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_RUNTIME_DIR", folder, 1);
        setenv("QUORVANE_NO_SYSTEM_PORTS", "1", 1);
        execl(QUORVANE_APP, QUORVANE_APP, static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(2)); // past start-up
    const long long before = cpuTicks(pid);
    const long long wallBefore = monotonicNs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long long after = cpuTicks(pid);
    const double wallS = static_cast<double>(monotonicNs() - wallBefore) / 1e9;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    rmdir((std::string(folder) + "/quorvane/ports").c_str());
    rmdir((std::string(folder) + "/quorvane").c_str());
    rmdir(folder);
    if (before < 0 || after < 0) {
        std::printf("idle: quorvane did not run\n");
        return;
    }
    const double cpuS =
        static_cast<double>(after - before) / static_cast<double>(sysconf(_SC_CLK_TCK));
    const double percent = 100.0 * cpuS / wallS;
    std::printf("idle, port list polling every 500 ms, no port: %.2f s CPU in %.1f s (%.3f %% of "
                "one core)\n",
                cpuS, wallS, percent);
    char value[32];
    std::snprintf(value, sizeof value, "%.3f %% of a core", percent);
    quorvane::bench::printFigure("idle, % of one core", value, "-", percent, 0.1);
}

} // namespace

int main(int argc, char* argv[]) {
    int idleSeconds = 60;
    int runs = 7;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--idle-seconds") == 0)
            idleSeconds = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "startup_bench: needs a display, e.g. xvfb-run -a startup_bench\n");
        return 2;
    }
    // The probes of quorvane must not touch the machine's serial ports either.
    char folder[] = "/tmp/quorvane-bench-XXXXXX";
    if (mkdtemp(folder)) {
        setenv("XDG_RUNTIME_DIR", folder, 1);
        setenv("QUORVANE_NO_SYSTEM_PORTS", "1", 1);
    }

    runProbe(PROBE_MINIMAL); // warm the file cache for both
    runProbe(PROBE_QUORVANE);
    std::vector<double> minimalMs, quorvaneMs;
    long minimalKb = 0, quorvaneKb = 0;
    for (int i = 0; i < runs; ++i) {
        const Run minimal = runProbe(PROBE_MINIMAL);
        const Run app = runProbe(PROBE_QUORVANE);
        if (minimal.startupMs < 0 || app.startupMs < 0) {
            std::fprintf(stderr, "startup_bench: a probe did not paint\n");
            return 1;
        }
        minimalMs.push_back(minimal.startupMs);
        quorvaneMs.push_back(app.startupMs);
        minimalKb = std::max(minimalKb, minimal.peakKb);
        quorvaneKb = std::max(quorvaneKb, app.peakKb);
    }
    const double m = median(minimalMs), q = median(quorvaneMs);
    std::printf("start-up to first paint (median of %d): quorvane %.1f ms, minimal Qt Widgets "
                "%.1f ms, ratio %.2f\n",
                runs, q, m, q / m);
    std::printf("peak resident memory: quorvane %ld KiB, minimal Qt Widgets %ld KiB, ratio %.2f\n",
                quorvaneKb, minimalKb,
                static_cast<double>(quorvaneKb) / static_cast<double>(minimalKb));
    quorvane::bench::printMsFigure("start to first paint / bare Qt window", q, m, 1.05);
    char app[32];
    char bare[32];
    std::snprintf(app, sizeof app, "%ld KiB", quorvaneKb);
    std::snprintf(bare, sizeof bare, "%ld KiB", minimalKb);
    quorvane::bench::printFigure("peak memory / bare Qt window", app, bare,
                                 static_cast<double>(quorvaneKb) / static_cast<double>(minimalKb),
                                 1.15);
    if (idleSeconds > 0)
        measureIdle(idleSeconds);
    return 0;
}
