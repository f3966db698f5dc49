#pragma once
// quorvane-cli run as a process for a test (the binary named by $QUORVANE_CLI), with the ports
// folder of the given runtime folder (a simulator's, so that its COM link is found), the built-in
// table of system ports off, and a bounded wait (20 s, then SIGKILL).
//
//     const CliRun run = runCli(sim.runtimeDir(), {"--com", "1", "--json", "status"});
//     EXPECT_EQ(run.exitCode, 0) << run.errorText;
//     run.json()["outputs"].toObject()["B"].toInt();

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace quorvane::test {

struct CliRun {
    int exitCode = -1;
    bool finished = false;
    QString output;    // standard output
    QString errorText; // standard error

    // Standard output as one JSON object; an empty object when it is not one.
    QJsonObject json() const {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(output.toUtf8(), &error);
        return error.error == QJsonParseError::NoError ? document.object() : QJsonObject();
    }
    bool isJson() const {
        QJsonParseError error{};
        QJsonDocument::fromJson(output.toUtf8(), &error);
        return error.error == QJsonParseError::NoError && output.count(QLatin1Char('\n')) == 1;
    }
};

inline QString cliExecutable() {
    return qEnvironmentVariable("QUORVANE_CLI");
}

// `extraEnvironment`: more variables for the run.
inline CliRun runCli(const QString& runtimeDir, const QStringList& arguments,
                     const std::vector<std::pair<QString, QString>>& extraEnvironment = {},
                     const QStringList& wrapper = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    env.insert(QStringLiteral("QUORVANE_NO_SYSTEM_PORTS"), QStringLiteral("1"));
    for (const auto& [name, value] : extraEnvironment)
        env.insert(name, value);
    process.setProcessEnvironment(env);
    if (wrapper.isEmpty()) {
        process.start(cliExecutable(), arguments);
    } else {
        // A wrapper command (ip netns exec NAME) runs the program in its place.
        process.start(wrapper.front(), wrapper.mid(1) + QStringList{cliExecutable()} + arguments);
    }
    CliRun run;
    if (!process.waitForStarted(5000))
        return run;
    run.finished = process.waitForFinished(20000);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    run.errorText = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace quorvane::test
