#include "serialports/PortDiagnosis.h"

#include "serialports/PortAccess.h"
#include "serialports/PortDescription.h"
#include "serialports/PortHolders.h"
#include "serialports/PortNames.h"
#include "serialports/TerminalFacts.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::ports {

namespace {

// The link COM<n> in the ports folder, when there is one, and where it leads (possibly nowhere).
std::optional<std::string> folderLink(int n) {
    const std::string folder = portsFolder();
    if (folder.empty())
        return std::nullopt;
    const std::string link = folder + "/" + portName(n);
    struct stat info {};
    if (lstat(link.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return std::nullopt;
    return link;
}

std::string noDeviceText(int n) {
    const std::string name = portName(n);
    std::string text = name + " leads to no serial device: ";
    if (const auto link = folderLink(n))
        text += "the link " + *link + " does not lead to a terminal device";
    else
        text += "there is no link " + name + " in " + portsFolder();
    const auto table = builtInDevicePath(n);
    if (!builtInTableEnabled())
        text += ", and the built-in table is off (QUORVANE_NO_SYSTEM_PORTS=1).";
    else if (table)
        text += ", and " + *table + " does not exist.";
    else
        text += ".";
    return text;
}

} // namespace

PortReport diagnosePort(int n) {
    PortReport report;
    report.number = n;
    report.name = portName(n);
    const auto path = resolvePort(n);
    const auto device = path ? deviceNode(*path) : std::nullopt;
    if (!device) {
        report.verdict = PortVerdict::NoDevice;
        report.reason = noDeviceText(n);
        return report;
    }
    report.device = device->path;
    report.description = describeDevice(device->rdev);
    if (isKernelConsole(device->rdev)) {
        report.verdict = PortVerdict::Console;
        report.reason = report.name + " (" + report.device + ") is the system console.";
        return report;
    }
    if (!isSerialLine(device->rdev)) {
        report.verdict = PortVerdict::NotSerialLine;
        report.reason = report.name + " (" + report.device + ") is not a serial line.";
        return report;
    }
    if (hasNoUart(device->rdev)) {
        report.verdict = PortVerdict::NoUart;
        report.reason =
            report.name + " (" + report.device + ") has no UART behind it (the kernel's type 0).";
        return report;
    }
    if (access(device->path.c_str(), R_OK | W_OK) != 0) {
        report.verdict = PortVerdict::NoPermission;
        report.reason = permissionRefusal(*device, report.name);
        return report;
    }
    std::optional<PortHolder> holder = descriptorHolders({*device}).front();
    if (!holder)
        holder = lockHolder(*device, /*countThisProcess*/ true);
    if (!holder)
        holder = lockFileHolder(*device);
    if (holder) {
        report.verdict = PortVerdict::InUse;
        report.reason = inUseText(report.name, *holder);
        return report;
    }
    report.verdict = PortVerdict::Usable;
    return report;
}

std::vector<PortReport> diagnoseCandidatePorts() {
    std::vector<PortReport> reports;
    for (int n = FirstPortNumber; n <= LastPortNumber; ++n) {
        PortReport report = diagnosePort(n);
        // A name that leads nowhere is left out unless a link for it sits in the ports folder
        // (a link the program ignores deserves a word).
        if (report.verdict == PortVerdict::NoDevice && !folderLink(n))
            continue;
        reports.push_back(std::move(report));
    }
    return reports;
}

} // namespace quorvane::ports
