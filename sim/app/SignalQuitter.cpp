#include "sim/app/SignalQuitter.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quorvane::sim {

namespace {

int pipeFds[2] = {-1, -1};

extern "C" void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // Async-signal-safe; a full pipe already holds a pending quit.
    [[maybe_unused]] const ssize_t n = write(pipeFds[1], &byte, 1);
    errno = saved;
}

} // namespace

bool SignalQuitter::install() {
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [] {
        char buffer[16];
        while (read(pipeFds[0], buffer, sizeof buffer) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

SignalQuitter::~SignalQuitter() {
    if (pipeFds[0] < 0)
        return;
    // The handlers stay: a further signal during the clean-up writes to a closed pipe and is lost,
    // so the clean-up finishes.
    delete notifier_;
    const int readEnd = pipeFds[0];
    const int writeEnd = pipeFds[1];
    pipeFds[0] = pipeFds[1] = -1;
    close(readEnd);
    close(writeEnd);
}

} // namespace quorvane::sim
