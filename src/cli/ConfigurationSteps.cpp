#include "cli/ConfigurationSteps.h"

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/SiteAccess.h"

#include "core/site/ConfigurationRun.h"
#include "platform/site/ConfigurationFile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <string_view>

namespace quorvane::cli {

namespace {

using site::ConfigurationRun;

// Runs `start` on a run borrowing `link` and waits until it has ended.
int runOn(Session& session, PageLink& link, ConfigurationRun& run,
          const std::function<void()>& start) {
    run.setChangeListener([&session] { session.poke(); });
    run.setOutcomeListener([&session](const Outcome& outcome) { session.onOutcome(outcome); });
    // Over the serial link the port is opened afresh for the run, as a page does on show.
    if (!session.state().tcpMode() && !link.reopenSerialForShow() && session.failure() == 0) {
        session.fail(ExitLink, "the serial port could not be opened");
        return ExitLink;
    }
    start();
    return session.waitUntil([&run] { return !run.running(); });
}

const char* kindName(ConfigurationRun::Item::Kind kind) {
    switch (kind) {
    case ConfigurationRun::Item::Kind::Route:
        return "route";
    case ConfigurationRun::Item::Kind::Edid:
        return "edid";
    case ConfigurationRun::Item::Kind::Beep:
        return "beep";
    case ConfigurationRun::Item::Kind::Dvi:
        return "dvi";
    }
    return "?";
}

const char* stateName(ConfigurationRun::ItemState state) {
    switch (state) {
    case ConfigurationRun::ItemState::Same:
        return "same";
    case ConfigurationRun::ItemState::LeftAlone:
        return "left alone";
    case ConfigurationRun::ItemState::WouldChange:
        return "would change";
    case ConfigurationRun::ItemState::Pending:
        return "not sent";
    case ConfigurationRun::ItemState::Changed:
        return "changed";
    case ConfigurationRun::ItemState::NotSet:
        return "not set";
    }
    return "?";
}

// "B", "IN3", or "" for the switches.
std::string portName(const ConfigurationRun::Item& item) {
    switch (item.kind) {
    case ConfigurationRun::Item::Kind::Route:
        return site::outputLetter(item.port);
    case ConfigurationRun::Item::Kind::Edid:
        return "IN" + std::to_string(item.port);
    default:
        return {};
    }
}

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

void printRestore(Session& session, const ConfigurationRun& run, const char* names) {
    QJsonArray items;
    QJsonArray notSet;
    for (const ConfigurationRun::Item& item : run.items()) {
        const std::string port = portName(item);
        items.append(QJsonObject{{"item", kindName(item.kind)},
                                 {"port", port.empty() ? QJsonValue() : QJsonValue(q(port))},
                                 {"matrix", q(item.current)},
                                 {"file", q(item.wanted)},
                                 {"result", stateName(item.state)}});
        if (item.state == ConfigurationRun::ItemState::NotSet)
            notSet.append(q(port.empty() ? kindName(item.kind) : port));
        if (!session.json() && item.state != ConfigurationRun::ItemState::Same) {
            printLine(std::string(kindName(item.kind)) + (port.empty() ? "" : " " + port) + ": " +
                      item.current + " -> " + item.wanted + " (" + stateName(item.state) + ")");
        }
    }
    if (session.json()) {
        printJson(QJsonObject{{"dryRun", run.dryRun()},
                              {"items", items},
                              {"notSet", notSet},
                              {"names", QLatin1String(names)}});
    } else if (std::string_view(names) != "same") {
        printLine(std::string("names (") + names + ")");
    }
}

} // namespace

int backupOnLink(Session& session, PageLink& link, const std::string& path,
                 site::Configuration& saved) {
    // The names kept for this matrix go into the file; a store that cannot be read stops the
    // backup before anything is sent rather than leave them out unsaid.
    site::MatrixSite kept;
    if (!loadSite(session, kept))
        return session.failure();
    ConfigurationRun run(link, session.newTimers());
    if (const int status = runOn(session, link, run, [&run] { run.backup(); }))
        return status;
    saved = run.found();
    saved.names = kept.names;
    if (const std::string why = site::writeConfigurationFile(path, saved); !why.empty()) {
        session.fail(ExitUsage, why);
        return ExitUsage;
    }
    QJsonObject routes;
    QJsonObject edid;
    QJsonArray leftAlone;
    for (int port = 1; port <= site::PortCount; ++port) {
        const auto slot = static_cast<std::size_t>(port - 1);
        const auto& route = saved.routes[slot];
        routes.insert(q(site::outputLetter(port)), route ? QJsonValue(*route) : QJsonValue());
        edid.insert(QStringLiteral("IN%1").arg(port), q(saved.edid[slot]));
        const bool settable = site::builtInEdidValue(saved.edid[slot]) != 0;
        if (!settable)
            leftAlone.append(QStringLiteral("IN%1").arg(port));
        if (!session.json()) {
            printLine(site::outputLetter(port) + " " + (route ? std::to_string(*route) : "-"));
        }
    }
    if (session.json()) {
        printJson(QJsonObject{{"file", q(path)},
                              {"routes", routes},
                              {"edid", edid},
                              {"beep", saved.beep},
                              {"dvi", saved.dvi},
                              {"leftAlone", leftAlone}});
        return ExitDone;
    }
    for (int port = 1; port <= site::PortCount; ++port) {
        const std::string& name = saved.edid[static_cast<std::size_t>(port - 1)];
        printLine("IN" + std::to_string(port) + " " + name +
                  (site::builtInEdidValue(name) == 0 ? " (a restore leaves it alone)" : ""));
    }
    printLine(std::string("beep ") + (saved.beep ? "on" : "off"));
    printLine(std::string("dvi ") + (saved.dvi ? "on" : "off"));
    printLine("saved to " + path);
    return ExitDone;
}

int restoreOnLink(Session& session, PageLink& link, const site::Configuration& wanted,
                  bool dryRun) {
    // The file's names go to the names kept for this matrix once the matrix took the rest.
    site::MatrixSite kept;
    if (!loadSite(session, kept))
        return session.failure();
    site::MatrixSite named = kept;
    const bool namesDiffer = site::takeNames(named.names, wanted.names);
    ConfigurationRun run(link, session.newTimers());
    int status =
        runOn(session, link, run, [&run, &wanted, dryRun] { run.restore(wanted, dryRun); });
    const char* names = !namesDiffer ? "same" : dryRun ? "would change" : "not set";
    if (namesDiffer && !dryRun && status == ExitDone) {
        if (!saveSite(session, named))
            status = session.failure();
        else
            names = "changed";
    }
    // What was found and done is worth seeing even when an item could not be set.
    if (!run.items().empty())
        printRestore(session, run, names);
    return status;
}

std::optional<site::Configuration> readConfiguration(Session& session, const std::string& path) {
    site::ConfigurationFileRead read = site::readConfigurationFile(path);
    if (!read.configuration) {
        session.fail(ExitUsage, path + ": " + read.error);
        return std::nullopt;
    }
    return read.configuration;
}

} // namespace quorvane::cli
