#pragma once
// A quorvane-sim process for a test: started with the given arguments (the binary named by the
// environment variable QUORVANE_SIM), waited for until it prints its readiness line, stopped with
// SIGTERM when the object goes. Its XDG_RUNTIME_DIR, and so its ports folder, is a private
// temporary folder unless the test passes one (pass the same folder to the program under test so
// that it finds the simulator's COM link).
//
//     SimProcess sim({"--com", "3", "--tcp", "127.0.4.1"});
//     ASSERT_TRUE(sim.ready()) << sim.errorText();
//     sim.comLinkPath();   // ".../quorvane/ports/COM3"
//     sim.tcpAddress();    // "127.0.4.1" (port 8000)
//
// All waits are bounded (readiness: 10 s; stop: 5 s, then SIGKILL). Use on the test's main thread.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace quorvane::test {

class SimProcess {
public:
    explicit SimProcess(const QStringList& arguments, const QString& runtimeDir = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The readiness line came; otherwise errorText() says why (and holds the simulator's stderr).
    bool ready() const { return ready_; }
    QString errorText() const { return error_; }
    QString readinessLine() const { return line_; }

    int comNumber() const { return comNumber_; }       // 0 without --com
    QString ptyDevice() const { return ptyDevice_; }   // e.g. /dev/pts/7
    QString tcpAddress() const { return tcpAddress_; } // empty without a TCP server
    QString runtimeDir() const { return runtimeDir_; }
    QString portsFolder() const { return runtimeDir_ + QStringLiteral("/quorvane/ports"); }
    QString comLinkPath() const;

    // SIGTERM, then a bounded wait. True when it ended by itself with exit code 0.
    bool stop();
    // SIGKILL: the simulator dies without cleaning up (its COM link stays behind, stale).
    void kill();
    bool running() const { return process_.state() != QProcess::NotRunning; }
    int exitCode() const { return process_.exitCode(); }
    // What it wrote on stderr so far (its traffic log, unless --log was given).
    QByteArray standardError() const;

    // $QUORVANE_SIM.
    static QString executable();

private:
    QProcess process_;
    std::unique_ptr<QTemporaryDir> ownRuntimeDir_;
    QString runtimeDir_;
    QString stderrPath_;
    bool ready_ = false;
    QString error_;
    QString line_;
    int comNumber_ = 0;
    QString ptyDevice_;
    QString tcpAddress_;
};

} // namespace quorvane::test
