#pragma once
// Command line of quorvane-sim.

#include "Faults.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quorvane::sim {

struct SimOptions {
    int comNumber = 0;      // 0: no serial link
    QString tcpAddress;     // empty: no TCP server
    bool pace = false;      // serial output at line rate
    int standbyEveryMs = 0; // 0: no periodic standby report
    QString logFile;        // empty: traffic goes to stderr
    Faults faults;
    int rebootMs = 2000; // how long a firmware upgrade's reboot keeps the matrix silent
};

// Parses the arguments (argv[0] first). On a usage error returns std::nullopt with the reason in
// `error`; for --help and --version `error` stays empty and `message` holds the text to print.
std::optional<SimOptions> parseSimOptions(const QStringList& arguments, QString& error,
                                          QString& message);

} // namespace quorvane::sim
