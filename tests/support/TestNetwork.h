#pragma once
// A private test network for what broadcasts (matrix search, network configuration): two network
// namespaces joined by a veth pair. Broadcast traffic is tested only inside it, never from the
// machine's own namespace.

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

#include <unistd.h>

namespace quorvane::test {

// Runs `ip` with the arguments; true on success.
inline bool ip(const QStringList& arguments, QString* error = nullptr) {
    QProcess process;
    process.start(QStringLiteral("ip"), arguments);
    if (!process.waitForFinished(10000))
        return false;
    if (error)
        *error = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Two namespaces, "program" (10.231.<subnet>.1) and "matrix" (10.231.<subnet>.2), joined by a
// veth pair, each with a default route over it so that 255.255.255.255 reaches the other side.
// Made by the constructor and removed by the destructor; `ready` is false, with the `reason`,
// where the machine does not allow it (not root, no ip command, no namespaces). Names carry
// `prefix` (at most 4 characters: interface names are short) and this process's id, so tests
// running at the same time do not meet.
class TestNetwork {
public:
    TestNetwork(const QString& prefix, int subnet) {
        const QString id = QString::number(::getpid());
        program = prefix + QStringLiteral("prog") + id;
        matrix = prefix + QStringLiteral("sim") + id;
        const QString left = prefix + QStringLiteral("p") + id;
        const QString right = prefix + QStringLiteral("s") + id;
        matrixInterface_ = right;
        const QString net = QStringLiteral("10.231.%1.").arg(subnet);
        if (::geteuid() != 0) {
            reason = "making network namespaces needs root";
            return;
        }
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty()) {
            reason = "the ip command (iproute2) is not installed";
            return;
        }
        QString error;
        if (!ip({"netns", "add", program}, &error)) {
            reason = "this machine does not allow network namespaces: " + error.toStdString();
            return;
        }
        made_ = true;
        const std::vector<QStringList> steps = {
            {"netns", "add", matrix},
            {"link", "add", left, "netns", program, "type", "veth", "peer", "name", right, "netns",
             matrix},
            {"-n", program, "addr", "add", net + "1/24", "dev", left},
            {"-n", matrix, "addr", "add", net + "2/24", "dev", right},
            {"-n", program, "link", "set", "lo", "up"},
            {"-n", matrix, "link", "set", "lo", "up"},
            {"-n", program, "link", "set", left, "up"},
            {"-n", matrix, "link", "set", right, "up"},
            {"-n", program, "route", "add", "default", "via", net + "2", "dev", left},
            {"-n", matrix, "route", "add", "default", "via", net + "1", "dev", right},
        };
        for (const QStringList& step : steps) {
            if (!ip(step, &error)) {
                reason = "setting up the test network failed (ip " +
                         step.join(QLatin1Char(' ')).toStdString() + "): " + error.toStdString();
                return;
            }
        }
        ready = true;
    }
    ~TestNetwork() {
        if (made_) {
            ip({"netns", "del", program}); // the veth pair goes with it
            ip({"netns", "del", matrix});
        }
    }

    // Gives the matrix side one more address (a second host on the same network, "10.231.n.3/24").
    bool addMatrixAddress(const QString& addressWithPrefix) {
        return ready &&
               ip({"-n", matrix, "addr", "add", addressWithPrefix, "dev", matrixInterface_});
    }

    QString program;
    QString matrix;
    bool ready = false;
    std::string reason;

private:
    bool made_ = false;
    QString matrixInterface_;
};

} // namespace quorvane::test
