// ports: the COM names the program lists, what each is, and why each other port is not listed.
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Session.h"

#include "core/device/PortProbe.h"
#include "serialports/PortDiagnosis.h"
#include "serialports/PortNames.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>

namespace quorvane::cli {

namespace {

int runPorts(Session& session, const std::vector<std::string>&) {
    // Exactly the list the General page shows; the reasons are looked up afresh beside it.
    SystemPortProbe probe;
    const std::vector<int> listed = probe.usablePorts();
    QJsonArray entries;
    for (const ports::PortReport& report : ports::diagnoseCandidatePorts()) {
        const bool shown = std::find(listed.begin(), listed.end(), report.number) != listed.end();
        // A listed port may still refuse this user (its group); one listed a moment ago may have
        // been taken meanwhile (or the other way round): say what holds now.
        std::string reason = report.reason;
        if (!shown && reason.empty())
            reason = report.name + " was taken or released while it was looked at; ask again.";
        if (session.json()) {
            entries.append(QJsonObject{
                {"name", QString::fromStdString(report.name)},
                {"device", report.device.empty()
                               ? QJsonValue()
                               : QJsonValue(QString::fromStdString(report.device))},
                {"description", report.description.empty()
                                    ? QJsonValue()
                                    : QJsonValue(QString::fromStdString(report.description))},
                {"listed", shown},
                {"reason",
                 reason.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(reason))},
            });
        } else {
            printLine(report.name + " " + (report.device.empty() ? "-" : report.device) +
                      (report.description.empty() ? "" : " (" + report.description + ")") +
                      (shown ? (reason.empty() ? " listed" : " listed, but " + reason)
                             : " not listed: " + reason));
        }
    }
    if (session.json())
        printJson(QJsonObject{{"ports", entries}});
    return ExitDone;
}

} // namespace

std::vector<Command> portCommands() {
    return {
        {{"ports"},
         "",
         "the COM names the program lists, what each is, and why a port is not",
         "Lists every COM<n> that leads to a device (a link in the ports folder or the built-in\n"
         "table of serial devices), whether the program's port list shows it, and why it is\n"
         "not listed or cannot be opened: held by another program (named), the system console,\n"
         "no UART, not a serial line, or (listed all the same) no permission, with the group\n"
         "and the command that adds you to it. Each port is described from the system's device\n"
         "information: a USB adapter's maker, model and serial number, else \"on-board serial\n"
         "port\" or \"pseudo-terminal\". Nothing is opened. Prints per port\n"
         "  COM1 /dev/ttyUSB0 (FTDI FT232R USB UART, serial A50285BI) listed\n"
         "or with --json:\n"
         "  {\"ports\": [{\"name\": \"COM1\", \"device\": \"/dev/ttyUSB0\",\n"
         "              \"description\": \"FTDI FT232R USB UART, serial A50285BI\",\n"
         "              \"listed\": true, \"reason\": null}]}",
         false,
         0,
         0,
         runPorts},
    };
}

} // namespace quorvane::cli
