#include "SimProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>

namespace quorvane::test {

namespace {

constexpr int ReadyTimeoutMs = 10000;
constexpr int StopTimeoutMs = 5000;

} // namespace

QString SimProcess::executable() {
    // CTest names the simulator; a test program started by hand finds it in the build folder.
    const QString named = qEnvironmentVariable("QUORVANE_SIM");
    if (!named.isEmpty())
        return named;
    const QFileInfo beside(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../quorvane-sim"));
    return beside.isExecutable() ? beside.canonicalFilePath() : QString();
}

SimProcess::SimProcess(const QStringList& arguments, const QString& runtimeDir) {
    if (runtimeDir.isEmpty()) {
        ownRuntimeDir_ = std::make_unique<QTemporaryDir>();
        runtimeDir_ = ownRuntimeDir_->path();
    } else {
        runtimeDir_ = runtimeDir;
    }
    const QString program = executable();
    if (program.isEmpty()) {
        error_ = QStringLiteral("quorvane-sim not found (set QUORVANE_SIM)");
        return;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_);
    process_.setProcessEnvironment(env);
    // Into a file, not a pipe: a pipe that nobody reads while the test blocks would stall the
    // simulator once its traffic log had filled it.
    static int serial = 0;
    stderrPath_ = runtimeDir_ + QStringLiteral("/quorvane-sim-%1-%2.stderr")
                                    .arg(QCoreApplication::applicationPid())
                                    .arg(++serial);
    process_.setStandardErrorFile(stderrPath_);
    process_.start(program, arguments);
    if (!process_.waitForStarted(ReadyTimeoutMs)) {
        error_ = QStringLiteral("cannot start %1: %2").arg(program, process_.errorString());
        return;
    }

    const QDeadlineTimer deadline(ReadyTimeoutMs);
    QByteArray out;
    while (!out.contains('\n') && !deadline.hasExpired() && process_.state() == QProcess::Running) {
        process_.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
        out += process_.readAllStandardOutput();
    }
    out += process_.readAllStandardOutput();
    if (!out.contains('\n')) {
        error_ = process_.state() == QProcess::Running
                     ? QStringLiteral("no readiness line within %1 ms").arg(ReadyTimeoutMs)
                     : QStringLiteral("quorvane-sim ended (exit code %1)").arg(process_.exitCode());
        error_ += QStringLiteral("; stderr: ") + QString::fromLocal8Bit(standardError());
        return;
    }
    line_ = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    const QStringList words = line_.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2 || words[0] != QLatin1String("quorvane-sim") ||
        words[1] != QLatin1String("ready")) {
        error_ = QStringLiteral("unexpected first line: ") + line_;
        return;
    }
    for (const QString& word : words.mid(2)) {
        const QString key = word.section(QLatin1Char('='), 0, 0);
        const QString value = word.section(QLatin1Char('='), 1);
        if (key == QLatin1String("com"))
            comNumber_ = value.mid(3).toInt();
        else if (key == QLatin1String("device"))
            ptyDevice_ = value;
        else if (key == QLatin1String("tcp"))
            tcpAddress_ = value.section(QLatin1Char(':'), 0, 0);
    }
    ready_ = true;
}

SimProcess::~SimProcess() {
    stop();
}

QString SimProcess::comLinkPath() const {
    return comNumber_ > 0 ? portsFolder() + QStringLiteral("/COM%1").arg(comNumber_) : QString();
}

bool SimProcess::stop() {
    if (process_.state() == QProcess::NotRunning)
        return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    process_.terminate();
    if (!process_.waitForFinished(StopTimeoutMs)) {
        process_.kill();
        process_.waitForFinished(StopTimeoutMs);
        return false;
    }
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
}

void SimProcess::kill() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished(StopTimeoutMs);
}

QByteArray SimProcess::standardError() const {
    QFile file(stderrPath_);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace quorvane::test
