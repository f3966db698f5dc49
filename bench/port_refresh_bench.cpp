// What the port list's refresh (every 500 ms while COM is not connected) costs with a few
// candidate ports and a desktop's worth of processes. Prints figures; never fails on time.
//
// The ports are pseudo-terminals registered as COM1..COM<n> in a private ports folder; the built-in
// table of the machine's devices is off, so no port of the machine is looked at. The processes are
// children that each hold a number of pipe descriptors, as the programs of a desktop session do.
//
//     port_refresh_bench [--processes 300] [--descriptors 40] [--ports 3] [--refreshes 2000]

#include "core/device/PortProbe.h"
#include "serialports/HolderWatch.h"
#include "serialports/PortHolders.h"
#include "serialports/PortNames.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorvane;

namespace {

double cpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int option(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    }
    return fallback;
}

// Processes and descriptors this user can see in /proc, as a refresh's look would find them.
std::pair<int, long> visibleDescriptors() {
    int processes = 0;
    long descriptors = 0;
    DIR* proc = opendir("/proc");
    while (const dirent* entry = proc ? readdir(proc) : nullptr) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        ++processes;
        DIR* fds = opendir(("/proc/" + std::string(entry->d_name) + "/fd").c_str());
        while (const dirent* fd = fds ? readdir(fds) : nullptr)
            descriptors += fd->d_name[0] != '.';
        if (fds)
            closedir(fds);
    }
    if (proc)
        closedir(proc);
    return {processes, descriptors};
}

void report(const char* what, double seconds, int count) {
    const double each = seconds / count;
    std::printf("%-44s %9.1f us per refresh  %7.4f %% of one core at 2 refreshes/s\n", what,
                each * 1e6, each * 2 * 100);
}

} // namespace

int main(int argc, char** argv) {
    const int processCount = option(argc, argv, "--processes", 300);
    const int descriptorCount = option(argc, argv, "--descriptors", 40);
    const int portCount = std::min(option(argc, argv, "--ports", 3), ports::LastPortNumber);
    const int refreshes = option(argc, argv, "--refreshes", 2000);

    char runtime[] = "/tmp/quorvane-bench-XXXXXX";
    if (mkdtemp(runtime) == nullptr)
        return 1;
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("QUORVANE_NO_SYSTEM_PORTS", "1", 1);
    ports::setBuiltInTableEnabled(false);

    std::vector<int> masters;
    std::vector<ports::DeviceNode> nodes;
    const std::string folder = ports::portsFolder();
    for (int n = 1; n <= portCount; ++n) {
        const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return 1;
        const std::string slave = ptsname(master);
        symlink(slave.c_str(), (folder + "/" + ports::portName(n)).c_str());
        masters.push_back(master);
        nodes.push_back(*ports::deviceNode(slave));
    }

    std::vector<pid_t> children;
    for (int i = 0; i < processCount; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            for (int d = 0; d + 1 < descriptorCount; d += 2) {
                int pipeFds[2];
                if (pipe(pipeFds) != 0)
                    break;
            }
            for (;;)
                pause();
        }
        if (child > 0)
            children.push_back(child);
    }
    usleep(500 * 1000); // let them open their descriptors
    const auto [processes, descriptors] = visibleDescriptors();
    std::printf("%d candidate ports, %d processes with %ld descriptors visible in /proc\n",
                portCount, processes, descriptors);

    // What every refresh would cost if it looked through /proc each time.
    const int fullLooks = 20;
    double start = cpuSeconds();
    for (int i = 0; i < fullLooks; ++i)
        ports::descriptorHolders(nodes);
    report("look through /proc/*/fd (uncached):", cpuSeconds() - start, fullLooks);

    SystemPortProbe probe;
    start = cpuSeconds();
    const auto listed = listOpenablePorts(probe);
    report("first refresh (includes the look):", cpuSeconds() - start, 1);

    start = cpuSeconds();
    const double wallStart = wallSeconds();
    for (int i = 0; i < refreshes; ++i)
        listOpenablePorts(probe);
    const double cpu = cpuSeconds() - start;
    report("idle refresh (CPU time):", cpu, refreshes);
    report("idle refresh (wall time):", wallSeconds() - wallStart, refreshes);
    std::printf("ports listed: %zu of %d; looks through /proc in %d refreshes: %d\n", listed.size(),
                portCount, refreshes + 1, probe.holderLookups());

    // No candidate at all (no adapter plugged in, no simulator).
    for (int n = 1; n <= portCount; ++n)
        unlink((folder + "/" + ports::portName(n)).c_str());
    SystemPortProbe empty;
    start = cpuSeconds();
    for (int i = 0; i < refreshes; ++i)
        listOpenablePorts(empty);
    report("refresh without any candidate port:", cpuSeconds() - start, refreshes);

    for (const pid_t child : children) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    for (const int master : masters)
        close(master);
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
    return 0;
}
