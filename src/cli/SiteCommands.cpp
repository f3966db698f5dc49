// names and presets: the names of the matrix's inputs and outputs, and its eight presets, kept in
// the user's data folder per matrix; saving the matrix's routes as a preset and applying one.
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/MatrixPageRun.h"
#include "cli/Session.h"
#include "cli/SiteAccess.h"

#include "core/site/MatrixSite.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

namespace quorvane::cli {

namespace {

using Routes = std::array<int, routing::OutputCount>;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QJsonValue nameValue(const std::string& name) {
    return name.empty() ? QJsonValue(QJsonValue::Null) : QJsonValue(qs(name));
}

std::optional<site::Side> sideArgument(Session& session, const std::string& text) {
    if (text == "input")
        return site::Side::Input;
    if (text == "output")
        return site::Side::Output;
    session.fail(ExitUsage, "say input or output, not '" + text + "'");
    return std::nullopt;
}

std::string portText(site::Side side, int n) {
    return side == site::Side::Input ? std::to_string(n) : outputLetter(n);
}

QJsonValue portValue(site::Side side, int n) {
    return side == site::Side::Input ? QJsonValue(n) : QJsonValue(qs(outputLetter(n)));
}

int runNames(Session& session, const std::vector<std::string>&) {
    site::MatrixSite site;
    if (!loadSite(session, site))
        return session.failure();
    QJsonObject lists;
    for (const site::Side side : {site::Side::Input, site::Side::Output}) {
        const char* word = side == site::Side::Input ? "input" : "output";
        QJsonObject list;
        for (int n = 1; n <= site::PortCount; ++n) {
            const std::string name = site.names.name(side, n);
            list.insert(qs(portText(side, n)), nameValue(name));
            if (!session.json())
                printLine(std::string(word) + " " + portText(side, n) + " " +
                          (name.empty() ? "-" : name));
        }
        lists.insert(side == site::Side::Input ? "inputs" : "outputs", list);
    }
    if (session.json()) {
        lists.insert("matrix", qs(matrixKeyOf(session.invocation())));
        printJson(lists);
    }
    return ExitDone;
}

// names set and names clear: `name` empty clears.
int changeName(Session& session, const std::vector<std::string>& args, const std::string& name) {
    const auto side = sideArgument(session, args[0]);
    if (!side)
        return ExitUsage;
    const auto n = *side == site::Side::Input ? inputArgument(session, args[1])
                                              : outputArgument(session, args[1]);
    if (!n)
        return session.failure();
    site::MatrixSite site;
    if (!loadSite(session, site))
        return session.failure();
    if (const std::string problem = site::setName(site.names, *side, *n, name); !problem.empty()) {
        session.fail(ExitUsage, problem);
        return ExitUsage;
    }
    if (!saveSite(session, site))
        return session.failure();
    const char* word = *side == site::Side::Input ? "input" : "output";
    if (session.json())
        printJson(QJsonObject{{word, portValue(*side, *n)}, {"name", nameValue(name)}});
    else
        printLine(std::string(word) + " " + portText(*side, *n) + " " +
                  (name.empty() ? "-" : name));
    return ExitDone;
}

int runNamesSet(Session& session, const std::vector<std::string>& args) {
    if (args[2].empty()) {
        session.fail(ExitUsage, "a name cannot be empty; 'names clear' removes one");
        return ExitUsage;
    }
    return changeName(session, args, args[2]);
}

int runNamesClear(Session& session, const std::vector<std::string>& args) {
    return changeName(session, args, "");
}

QJsonObject routesJson(const Routes& routes) {
    QJsonObject object;
    for (int output = 1; output <= routing::OutputCount; ++output) {
        const int input = routes.at(static_cast<std::size_t>(output - 1));
        object.insert(qs(outputLetter(output)),
                      routing::isPort(input) ? QJsonValue(input) : QJsonValue(QJsonValue::Null));
    }
    return object;
}

std::string routesText(const Routes& routes) {
    std::string text;
    for (int output = 1; output <= routing::OutputCount; ++output) {
        const int input = routes.at(static_cast<std::size_t>(output - 1));
        text += (output > 1 ? " " : "") + outputLetter(output) + "=" +
                (routing::isPort(input) ? std::to_string(input) : "-");
    }
    return text;
}

// Opens the link and reads the matrix's routes.
int readMatrixRoutes(Session& session, std::unique_ptr<MatrixPage>& page, Routes& routes) {
    if (const int status = session.prepareLink())
        return status;
    page = makeMatrixPage(session);
    if (const int status = session.attach(*page, page->link()))
        return status;
    return readRoutes(session, *page, routes);
}

int runPresets(Session& session, const std::vector<std::string>&) {
    site::MatrixSite site;
    if (!loadSite(session, site))
        return session.failure();
    std::unique_ptr<MatrixPage> page;
    Routes routes{};
    if (const int status = readMatrixRoutes(session, page, routes))
        return status;
    const auto active = site::activePreset(site.presets, routes);
    QJsonArray list;
    for (int row = 0; row < routing::PresetRowCount; ++row) {
        const site::StoredPreset& preset = site.presets.at(static_cast<std::size_t>(row));
        const bool isActive = active && *active == row;
        list.append(QJsonObject{{"name", qs(preset.name)},
                                {"routes", routesJson(preset.inputs)},
                                {"active", isActive}});
        if (!session.json())
            printLine(preset.name + "  " +
                      (preset.blank() ? "(empty)" : routesText(preset.inputs)) +
                      (isActive ? "  (active)" : ""));
    }
    const std::string activeName =
        active ? site.presets.at(static_cast<std::size_t>(*active)).name : std::string();
    if (session.json())
        printJson(QJsonObject{{"presets", list}, {"active", nameValue(activeName)}});
    else
        printLine("active: " + (active ? activeName : std::string("none")));
    return ExitDone;
}

int runPresetSave(Session& session, const std::vector<std::string>& args) {
    const std::string& name = args[0];
    site::MatrixSite site;
    if (!loadSite(session, site))
        return session.failure();
    if (const std::string problem = site::presetNameProblem(name); !problem.empty()) {
        session.fail(ExitUsage, problem);
        return ExitUsage;
    }
    std::unique_ptr<MatrixPage> page;
    Routes routes{};
    if (const int status = readMatrixRoutes(session, page, routes))
        return status;
    for (int output = 1; output <= routing::OutputCount; ++output) {
        if (!routing::isPort(routes.at(static_cast<std::size_t>(output - 1)))) {
            session.fail(ExitMatrix,
                         "the matrix reported no input for output " + outputLetter(output));
            return ExitMatrix;
        }
    }
    std::string error;
    const auto row = site::savePreset(site.presets, name, routes, error);
    if (!row) {
        session.fail(ExitUsage, error);
        return ExitUsage;
    }
    if (!saveSite(session, site))
        return session.failure();
    if (session.json())
        printJson(
            QJsonObject{{"preset", qs(name)}, {"row", *row + 1}, {"routes", routesJson(routes)}});
    else
        printLine(name + "  " + routesText(routes));
    return ExitDone;
}

int runPresetApply(Session& session, const std::vector<std::string>& args) {
    const std::string& name = args[0];
    site::MatrixSite site;
    if (!loadSite(session, site))
        return session.failure();
    const auto row = site::findPreset(site.presets, name);
    if (!row) {
        session.fail(ExitUsage, "no preset is named '" + name + "'");
        return ExitUsage;
    }
    const site::StoredPreset preset = site.presets.at(static_cast<std::size_t>(*row));
    if (!preset.complete()) {
        session.fail(ExitUsage,
                     "the preset '" + name + "' does not give an input for every output");
        return ExitUsage;
    }
    std::unique_ptr<MatrixPage> page;
    Routes before{};
    if (const int status = readMatrixRoutes(session, page, before))
        return status;
    std::string routed;
    for (int output = 1; output <= routing::OutputCount; ++output) {
        const int input = preset.inputs.at(static_cast<std::size_t>(output - 1));
        page->clickInput(output, input);
        if (!page->routingBusy() && session.failure() == 0)
            session.fail(ExitMatrix, "the route was not sent");
        int status = session.waitUntil([&] { return !page->routingBusy(); });
        if (status == ExitDone &&
            (page->outputSource(output) != input || shownInput(*page, output) != input))
            status = ExitMatrix;
        if (status != ExitDone) {
            printError("output " + outputLetter(output) + " was not acknowledged; " +
                       (routed.empty() ? std::string("no output was routed")
                                       : "routed before it: " + routed));
            if (session.failure() == 0)
                session.fail(status, "the matrix did not acknowledge the route");
            return status;
        }
        routed += (routed.empty() ? "" : " ") + outputLetter(output);
    }
    QJsonArray changed;
    for (int output = 1; output <= routing::OutputCount; ++output) {
        const int input = preset.inputs.at(static_cast<std::size_t>(output - 1));
        const int was = before.at(static_cast<std::size_t>(output - 1));
        if (input != was)
            changed.append(qs(outputLetter(output)));
        if (!session.json())
            printLine(outputLetter(output) + " " + std::to_string(input) +
                      (input != was
                           ? " (was " + (routing::isPort(was) ? std::to_string(was) : "-") + ")"
                           : ""));
    }
    if (session.json())
        printJson(QJsonObject{
            {"preset", qs(name)}, {"outputs", routesJson(preset.inputs)}, {"changed", changed}});
    return ExitDone;
}

} // namespace

std::vector<Command> siteCommands() {
    // "names set" and "names clear" come before "names", which would take their words.
    return {
        {{"names", "set"},
         "input|output PORT NAME",
         "name an input (1..8) or an output (A..H)",
         "Gives input or output PORT the name NAME, kept for this matrix in the user's data\n"
         "folder (the matrix is known by its link: a USB adapter's serial number, else the COM\n"
         "name; the IP address over TCP). Commands that take an input or output then take its\n"
         "name too, matched exactly. A name may not read as a number or letter (1..8, A..H,\n"
         "IN1..IN8, OUTA..OUTH, all), nor be given to two ports of the same side.\n"
         "Prints \"output B Projector\", or with --json: {\"output\": \"B\", \"name\": "
         "\"Projector\"}",
         true,
         3,
         3,
         runNamesSet},
        {{"names", "clear"},
         "input|output PORT",
         "remove the name of an input or output",
         "Prints \"input 3 -\", or with --json: {\"input\": 3, \"name\": null}",
         true,
         2,
         2,
         runNamesClear},
        {{"names"},
         "",
         "the names of the inputs and outputs",
         "Lists the names kept for this matrix, one line per port (\"input 3 Blu-ray\",\n"
         "\"output A -\" for none), or with --json:\n"
         "  {\"matrix\": \"com1\", \"inputs\": {\"1\": null, ..., \"3\": \"Blu-ray\"},\n"
         "   \"outputs\": {\"A\": null, \"B\": \"Projector\", ...}}\n"
         "Nothing is sent to the matrix.",
         true,
         0,
         0,
         runNames},
        {{"presets"},
         "",
         "the presets, and which one the matrix shows",
         "Reads the matrix's routes and lists the eight presets kept for this matrix, marking\n"
         "the active one (the preset whose routes are the matrix's): \"Evening  A=1 B=2 ... "
         "(active)\",\nthen \"active: Evening\" (or \"active: none\"). With --json:\n"
         "  {\"presets\": [{\"name\": \"Setting1\", \"routes\": {\"A\": 2, ...}, \"active\": "
         "false}, ...],\n   \"active\": \"Evening\"}   (null routes for empty cells, null active "
         "for none)",
         true,
         0,
         0,
         runPresets},
        {{"preset", "save"},
         "NAME",
         "save the matrix's routes as preset NAME",
         "Reads the input of every output from the matrix and keeps it as the preset NAME: over\n"
         "the preset of that name, else in the first empty one of the eight. With --json:\n"
         "  {\"preset\": \"Evening\", \"row\": 2, \"routes\": {\"A\": 1, ...}}",
         true,
         1,
         1,
         runPresetSave},
        {{"preset", "apply"},
         "NAME",
         "route every output as preset NAME says",
         "Reads the matrix's routes, then routes every output of the preset, one after the\n"
         "other, each acknowledged by the matrix; prints \"B 3 (was 2)\" for an output that\n"
         "changed and \"A 1\" for one that did not. An output the matrix does not acknowledge\n"
         "ends the command with exit status 1, naming it and the outputs routed before it.\n"
         "With --json: {\"preset\": \"Evening\", \"outputs\": {\"A\": 1, ...}, \"changed\": "
         "[\"B\"]}",
         true,
         1,
         1,
         runPresetApply},
    };
}

} // namespace quorvane::cli
